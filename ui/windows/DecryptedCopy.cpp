#include "DecryptedCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "RunState.h"
#include "clsBlowfish.h"

namespace {

// The cipher keeps the mode of a file it replaces, so an empty file made for the owner alone
// gives the copy that mode before any byte of it is written.
bool createPrivate(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData()); // a stale copy or a planted link goes first
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    return fd >= 0 && ::close(fd) == 0;
}

} // namespace

bool DecryptedCopy::make(const QString& archive, const QString& path, const QString& password)
{
    remove();
    if (!createPrivate(path))
        return false;
    m_path = path;
    clsBlowfish Cypher;
    return Cypher.DecryptFile(archive, path, true, ArchiveKey(password));
}

void DecryptedCopy::remove()
{
    if (!m_path.isEmpty())
        ::unlink(QFile::encodeName(m_path).constData());
    m_path.clear();
}
