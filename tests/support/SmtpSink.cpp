#include "SmtpSink.h"

#include <QDir>
#include <QTcpServer>

#include "TestSupport.h"

namespace TestSupport {

namespace {

QString dataFile(const char* name) { return QStringLiteral(QUILLARO_TEST_DATA "/") + QString::fromLatin1(name); }

} // namespace

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

SmtpSink::SmtpSink(const QString& folder)
    : m_folder(folder)
    , m_port(freeLoopbackPort())
{
    m_process.start(QStringLiteral("/usr/bin/python3"), {dataFile("smtp_sink.py"), QString::number(m_port), folder});
}

SmtpSink::~SmtpSink()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

bool SmtpSink::ready()
{
    while (!m_process.canReadLine() && m_process.waitForReadyRead(30000)) {}
    return m_process.readLine().trimmed() == "ready";
}

QString SmtpSink::message(int n) const { return m_folder + QStringLiteral("/%1.eml").arg(n); }

QByteArray SmtpSink::envelope(int n) const { return readFile(m_folder + QStringLiteral("/%1.env").arg(n)); }

int SmtpSink::messageCount() const
{
    return int(QDir(m_folder).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
}

QStringList decodeAttachments(const QString& message, const QString& folder)
{
    QString out;
    if (runTool(QStringLiteral("/usr/bin/python3"), {dataFile("uudecode_mail.py"), message, folder}, &out) != 0)
        return {QStringLiteral("decoder failed")};
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace TestSupport
