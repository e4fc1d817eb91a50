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
    // What the image holds: copies of source files, or the run's archives, whose loss fails
    // the run.
    enum class Holds { Copies, Archives };
    CdImageRun(CdRecorder& cd, RunHost& host, RunTally& tally, bool burnProof, Holds holds);

    enum class Put { OnDisc, NotOnDisc, Failed };
    // Puts the files (folder, file) into the image together, with the archive attributes to
    // clear once they are written. NotOnDisc when they are on no disc (reported), Failed
    // when a disc could not be written or prepared (the run has failed).
    Put put(const QList<std::pair<QString, QString>>& files, const QStringList& archiveBits);
    // Writes the image; false, and the run failed, when it was not written well. A file that
    // is not on the disc as it was put in is named as left out, its attributes kept.
    bool burn();

private:
    void takeOut(const QList<std::pair<QString, QString>>& files, qsizetype count);
    [[nodiscard]] bool largerThanAnEmptyDisc(const QList<std::pair<QString, QString>>& files, double bytes);

    CdRecorder& m_cd;
    RunHost& m_host;
    RunTally& m_tally;
    void noteNotWritten(const QStringList& files);

    // Files put in together, and the archive attributes to clear once all are written.
    struct Batch
    {
        QStringList sources;
        QStringList archiveBits;
    };
    bool m_burnProof;
    Holds m_holds;
    QList<Batch> m_batches;
};
