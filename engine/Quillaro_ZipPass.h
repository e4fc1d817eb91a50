#pragma once

#include <memory>

#include <QFile>
#include <QString>
#include <QStringList>

#include "FileAttributes.h"
#include "PackedPaths.h"
#include "RunOptions.h"
#include "RunState.h"

class CdImageRun;
class MailClient;
class QEV_InetFTP;
struct ZipFtp;
class RunHost;
class ZipArchive;

// The "ZIP archive" pass of a run: opening the archive and its parts, adding files, and
// finishing and delivering each part to the destination folder.
class ZipPass
{
    Q_DISABLE_COPY(ZipPass)
public:
    ZipPass(const RunOptions& options, RunHost& host, RunTally& tally);
    ~ZipPass();

    // Opens the first archive of the run (false) or finishes the current part and opens the
    // next (true). False when no archive could be opened.
    [[nodiscard]] bool Open_Zip(bool bNextPart);
    // Adds one file unless the incremental rule skips it. The run's stat of the file, when
    // given, spares asking its size again.
    bool Zip_Now(const QString& file, bool archiveBit, const FileAttributes::FileStat* stat = nullptr);
    // Whether Zip_Now would try to add the file.
    [[nodiscard]] bool willAdd(const QString& file, bool archiveBit) const;
    // The files Zip_Now will be given next, in order, so that they can be read ahead; more adds
    // them after those already told.
    void expect(const QStringList& files, bool more);
    // Finishes the current part: checks, encrypts, delivers, cleans the temp folder.
    // In CD mode the part goes into the disc image, written at once when bBurnNow.
    void Zip_Copy(bool bCleanTemp, bool bBurnNow);
    // Closes the log and the archive, whatever state they are in.
    void closeAll();
    // Waits until the mails of the finished parts have ended (each wait has its time-out).
    void waitForMail();
    // Deletes the profile's archives older than the days to keep, sparing this run's own;
    // once, at the end of a run whose every part was delivered.
    void deleteOldArchives();

    // How many parts were finished (and their files' archive attributes perhaps cleared).
    [[nodiscard]] int partsFinished() const { return m_partsFinished; }

    // The maximum size of the current part in bytes.
    void setMaxZipSize(double bytes) { m_dMaxZipSize = bytes; }
    [[nodiscard]] double maxZipSize() const { return m_dMaxZipSize; }

private:
    bool WriteToZip(const QString& file, const FileAttributes::FileStat* stat = nullptr);
    bool checkFileLimit();
    enum class Room { Fits, TooLarge, GiveUp };
    Room makeRoom(const QString& file, const FileAttributes::FileStat* stat);
    enum class Added { Yes, No, NoRoom };
    Added addFile(const QString& file);
    [[nodiscard]] qint64 roomFor(const QString& file) const;
    void tooLarge(const QString& file);
    void splitAndAdd(const QString& file);
    void report(const QString& line);

    void formNames(int part);
    int highestPartAtDestination();
    bool fetchForAppending();
    bool openWorkingArchive();
    bool partAfter(int part);
    bool newPartNames();
    void openLog();
    void closeLog();

    bool reopenCheck();
    bool workingFilesThere();
    void notAppended(const QString& why);
    bool waitForRoom(double bytes);
    bool encryptPart();
    bool copyPartToDestination();
    bool deliverToFolder();
    bool deliverToCd(const QStringList& archiveBits, bool bBurnNow);
    [[nodiscard]] bool copyChecked(const QString& from, const QString& to);
    void sendByMail();
    void cleanTemp();

    [[nodiscard]] QString destFolder() const;
    [[nodiscard]] QString tempFolder() const;
    [[nodiscard]] bool encrypting() const { return m_options.encrypt; }

    const RunOptions& m_options;
    RunHost& m_host;
    RunTally& m_tally;
    std::unique_ptr<ZipArchive> m_oZip;
    std::unique_ptr<MailClient> m_mail;

    // The FTP server as a destination (Quillaro_ZipFtp.cpp).
    QEV_InetFTP& ftp();
    [[nodiscard]] QString serverFolderText() const;
    bool highestPartFound(int* highest);
    bool fetchFromServer();
    bool decryptFetched(const QString& fetched);
    bool uploadToServer();
    void removeLeftoverPartials();
    std::shared_ptr<ZipFtp> m_ftp;
    std::unique_ptr<CdImageRun> m_cdImage;
    QFile m_log;
    bool m_logMade = false; // the current part's log was opened in the temp folder
    double m_dMaxZipSize = 0;
    double m_dZipSize = 0;
    // Files added to the current part whose archive attribute is cleared once it is delivered:
    // a part may hold a great many.
    PackedPaths m_pendingArchiveBits;
    void clearPendingArchiveBits();
    int m_partsFinished = 0;
    bool m_partsExhausted = false; // no free part number is left at the destination
    bool m_partialsChecked = false; // the server was searched for broken uploads of this profile
    // The archive at the destination this run appends to: the one name it may replace.
    QString m_appendedTo;
    QString m_appendSource; // the earlier part fetched to be appended to, as the log names it
    QString m_destinationDrive; // the drive the destination was on when the run began
};
