// Command-line driver for scripts/bench-sync.sh: synchronises two folder trees and says what
// it did. Usage: bench_sync SOURCE DESTINATION [--both] [--files-only]
#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "Quillaro_FileSync.h"

namespace {

class CountingSink : public SyncSink
{
public:
    int lines = 0;
    void newsLine(const QString&) override { ++lines; }
    void elapsedTime(const QString&) override {}
    bool cancelRequested() override { return false; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_sync SOURCE DESTINATION [--both] [--files-only]\n");
        return 2;
    }
    SyncOptions options;
    options.bothDirections = args.contains(QStringLiteral("--both"));
    CountingSink sink;
    const SyncResult result = args.contains(QStringLiteral("--files-only"))
                                  ? Sync_Files(args.at(1), args.at(2), options, sink)
                                  : Sync_Folders(args.at(1), args.at(2), options, sink);
    std::printf("copied %d failed %d bytes %lld lines %d\n", result.copied, result.failed,
                static_cast<long long>(result.bytes), sink.lines);
    return result.failed == 0 && !result.refused ? 0 : 1;
}
