#pragma once

#include <csignal>
#include <sys/resource.h>

#include <QByteArray>
#include <QMap>
#include <QString>

// Helpers every test executable shares.
namespace TestSupport {

// A folder tree from a literal: relative path -> content; a path ending in "/" is a folder.
using Tree = QMap<QString, QByteArray>;

// Creates the tree below root (root is created too).
void makeTree(const QString& root, const Tree& tree);
// The tree found below root, in the same form (folders only when empty).
[[nodiscard]] Tree readTree(const QString& root);

// A fresh, empty folder inside the test's own home, unique per call.
[[nodiscard]] QString freshFolder(const QString& name);

// Writes a file, creating its folder.
void writeFile(const QString& path, const QByteArray& content);
[[nodiscard]] QByteArray readFile(const QString& path);

// Bytes that barely pack, the same for the same seed.
[[nodiscard]] QByteArray noise(int bytes, quint32 seed);

// Writes beyond the limit fail as on a full disk while the guard lives; 0 sets no limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    Q_DISABLE_COPY(FileSizeLimit)

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_set = false;
};

// Runs a program and gives its exit code (-1 when it could not start), its output in *output.
int runTool(const QString& program, const QStringList& arguments, QString* output = nullptr,
            const QString& workingDir = {});

// The table the crontab stand-in of tests/isolate.sh keeps.
[[nodiscard]] QString crontabFile();
// The line after the first task tag of the program's block; empty when there is none.
[[nodiscard]] QByteArray firstTaskLine(const QByteArray& table);
// What cron hands to sh for a crontab line: the five time fields go, a backslash keeps the
// next character (and is dropped before "%"), a bare "%" ends the command.
[[nodiscard]] QByteArray asCronWould(const QByteArray& line);
// Runs a command with sh -c as cron does: a bare environment (HOME, PATH), in HOME.
int runAsCron(const QByteArray& command, QString* output = nullptr);

// The shipped assets of the source tree.
[[nodiscard]] QString sourceCommonFolder();

} // namespace TestSupport
