#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "clsBlowfish.h"

// bench_clsBlowfish encrypt|decrypt IN OUT KEY: runs one file operation, prints its seconds.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: bench_clsBlowfish encrypt|decrypt IN OUT KEY\n");
        return 2;
    }
    clsBlowfish cipher;
    QElapsedTimer timer;
    timer.start();
    const bool encrypt = args[1] == QStringLiteral("encrypt");
    const bool done = encrypt ? cipher.EncryptFile(args[2], args[3], true, args[4])
                              : cipher.DecryptFile(args[2], args[3], true, args[4]);
    std::printf("%.3f\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
    return done ? 0 : 1;
}
