// Packs every file below a folder into a new archive, for scripts/bench-zip.sh.
#include <cstdio>

#include <QCoreApplication>
#include <QDirIterator>

#include "ZipArchive.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench_zip ARCHIVE LEVEL FOLDER\n");
        return 2;
    }
    ZipArchive zip;
    zip.setSpoolFolder(QFileInfo(args[1]).absolutePath());
    QString error;
    if (!zip.Create(args[1], &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QDirIterator it(args[3], QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int failed = 0;
    while (it.hasNext()) {
        if (!zip.Files().AddFileByName(it.next(), args[2].toInt(), true, false, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            ++failed;
        }
    }
    if (!zip.Close(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
