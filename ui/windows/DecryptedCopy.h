#pragma once

#include <QString>

// An archive whose name ends in "cry", in any case, is encrypted.
[[nodiscard]] inline bool isEncryptedArchive(const QString& name)
{
    return name.right(3).compare(QStringLiteral("cry"), Qt::CaseInsensitive) == 0;
}

// The decrypted working copy of an encrypted archive in the temp folder. It is made for its
// owner alone (mode 0600 from the start) and removed when the object goes, so neither a failure
// nor a cancel leaves a readable copy of the archive behind.
class DecryptedCopy
{
    Q_DISABLE_COPY(DecryptedCopy)
public:
    DecryptedCopy() = default;
    ~DecryptedCopy() { remove(); }

    // Decrypts the archive into path with the archive password. False when the copy could not
    // be made: a wrong password, a damaged archive, or a temp folder that cannot be written.
    [[nodiscard]] bool make(const QString& archive, const QString& path, const QString& password);
    void remove();
    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QString m_path;
};
