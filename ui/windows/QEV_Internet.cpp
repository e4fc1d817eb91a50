#include "QEV_Internet.h"

#include <QDir>
#include <QPointer>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextEdit>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RtfText.h"
#include "VersionList.h"
#include "WebAddresses.h"
#include "WebFetch.h"
#include "WebOpener.h"

namespace {

QString checkLabel() { return ModulLabel("ChkNewVersion", "QEV_Internet"); }

void showNoInformation()
{
    MsgBox(LangText(48) + QLatin1Char('\n') + LangText(49), MsgButtons::Ok, MsgIcon::Critical,
           LangText(16));
}

// Qt shows HTML and plain text; a rich-text document is shown as its text.
void showNews(QTextEdit* box, const WebFetch::Result& news)
{
    const QString text = QString::fromUtf8(news.body);
    if (text.startsWith(QStringLiteral("{\\rtf")))
        box->setPlainText(RtfPlainText(text));
    else if (news.contentType.contains(QStringLiteral("html")) || Qt::mightBeRichText(text))
        box->setHtml(text);
    else
        box->setPlainText(text);
}

// The list is kept in the temp folder as the last one fetched.
bool keepLocalCopy(const QByteArray& list)
{
    const QString path = Paths::tempFolder() + QStringLiteral("/versions.txt");
    QSaveFile file(path);
    if (!QDir().mkpath(Paths::tempFolder()) || !file.open(QIODevice::WriteOnly)
        || file.write(list) != list.size() || !file.commit()) {
        ReportError(checkLabel(), ErrNo::PathFileAccess,
                    file.errorString() + QStringLiteral(": ") + path);
        return false;
    }
    return true;
}

void offerDownload(const VersionList::Check& check)
{
    const QString versionLine
        = LangText(check.langText) + QStringLiteral(" (v. ") + check.listed + QLatin1Char(')');
    const MsgResult answer = MsgBox(AppName + QLatin1Char(' ') + versionLine + QLatin1Char(' ')
                                        + LangText(43) + QLatin1Char('\n') + LangText(44),
                                    MsgButtons::YesNo, MsgIcon::Information, LangText(23));
    if (answer == MsgResult::Yes)
        (void)OpenOrTell(WebAddresses::downloadPage());
}

void tellVerdict(const VersionList::Check& check)
{
    switch (check.verdict) {
    case VersionList::Verdict::Newer:
        offerDownload(check);
        return;
    case VersionList::Verdict::NotNewer:
        MsgBox(LangText(42) + QStringLiteral(" (") + g_ProgramVersion + QStringLiteral(") of ")
                   + AppName + QLatin1Char('.'),
               MsgButtons::Ok, MsgIcon::Information, LangText(23));
        return;
    case VersionList::Verdict::Broken:
        ReportError(checkLabel(), ErrNo::TypeMismatch, check.error);
        break;
    case VersionList::Verdict::NoInformation:
        break;
    }
    showNoInformation();
}

} // namespace

bool LoadNews(QTextEdit* RtbNews1)
{
    const QPointer<QTextEdit> box(RtbNews1);
    const WebFetch::Result news = WebFetch::get(WebAddresses::newsDocument());
    if (!news.ok)
        return false;
    // The window may have gone while the news came.
    if (box && !news.body.trimmed().isEmpty())
        showNews(box, news);
    return true;
}

void ChkNewVersion(QTextEdit* RtbNews1)
{
    if (!LoadNews(RtbNews1)) {
        showNoInformation();
        return;
    }
    const WebFetch::Result fetched = WebFetch::get(WebAddresses::versionList());
    if (!fetched.ok) {
        showNoInformation();
        return;
    }
    const QByteArray list = fetched.body + QByteArrayLiteral("\r\n");
    if (!keepLocalCopy(list)) {
        showNoInformation();
        return;
    }
    tellVerdict(VersionList::judge(list, g_ProductNumber,
                                   {kVersionMajor, kVersionMinor, kVersionRevision}));
}

bool OpenOrTell(const QString& address)
{
    if (WebOpener::open(address))
        return true;
    TellNotOpened(address);
    return false;
}

void TellNotOpened(const QString& address)
{
    MsgBox(LangText(390) + QStringLiteral("\n\n") + address, MsgButtons::Ok, MsgIcon::Exclamation,
           AppName);
}
