#pragma once

#include <utility>

#include <QList>
#include <QString>
#include <QStringList>

class CdRecorder;
class RunHost;
struct RunTally;

// The disc image of a run in CD mode: files go in while they fit; a full disc is written and
// the next one asked for. Archive attributes are cleared only once their files are written.
class CdImageRun
{
public:
    CdImageRun(CdRecorder& cd, RunHost& host, RunTally& tally, bool burnProof);

    enum class Put { OnDisc, NotOnDisc, Failed };
    // Puts the files (folder, file) into the image together, with the archive attributes to
    // clear once they are written. NotOnDisc when they are on no disc (reported), Failed
    // when a disc could not be written or prepared (the run has failed).
    Put put(const QList<std::pair<QString, QString>>& files, const QStringList& archiveBits);
    // Writes the image; false, and the run failed, when it was not written well.
    bool burn();

private:
    void takeOut(const QList<std::pair<QString, QString>>& files, qsizetype count);
    [[nodiscard]] bool largerThanAnEmptyDisc(const QList<std::pair<QString, QString>>& files, double bytes);

    CdRecorder& m_cd;
    RunHost& m_host;
    RunTally& m_tally;
    bool m_burnProof;
    QStringList m_archiveBits;
};
