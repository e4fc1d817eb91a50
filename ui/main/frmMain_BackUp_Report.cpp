// Diagnosis and the maker's pages: the error indicator and its log, the bug report, the web
// links, and the developer's export of every caption for the language master file.
#include "frmMain_BackUp.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>

#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Internet.h"
#include "WebAddresses.h"
#include "ZipArchive.h"

namespace {

std::function<bool(const QUrl&)>& pageOpener()
{
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

// Runs an action on a click (or a double-click) of a control that has no such signal.
class ClickFilter : public QObject
{
public:
    ClickFilter(QObject* parent, QEvent::Type type, std::function<void()> action)
        : QObject(parent), m_type(type), m_action(std::move(action))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == m_type && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_action();
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_action;
};

void onClick(QWidget* control, std::function<void()> action,
             QEvent::Type type = QEvent::MouseButtonRelease)
{
    control->installEventFilter(new ClickFilter(control, type, std::move(action)));
    control->setCursor(Qt::PointingHandCursor);
}

QLabel* link(QWidget* parent, const char* name, const char* caption)
{
    auto* label = named(new QLabel(QString::fromUtf8(caption), parent), name);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

void paint(QWidget* control, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kLightRed(0xFF, 0x80, 0x80);

// The pictures of a bug report: pass number, the tab it shows and, on the " BU Media" tab,
// whether the FTP page is in front. The e-mail pass shows nothing new (mail comes with a next
// version) and makes no picture.
struct PicturePass
{
    int pass;
    int tab;
    bool ftpPage;
};
const PicturePass kPasses[] = {{0, 0, false}, {1, 1, false}, {2, 2, false}, {3, 3, false},
                               {5, 3, true},  {6, 4, false}, {7, 5, false}};

} // namespace

void setPageOpenerForTests(std::function<bool(const QUrl&)> opener) { pageOpener() = std::move(opener); }

bool openPage(const QUrl& url)
{
    if (!pageOpener())
        return OpenOrTell(url.toString());
    if (pageOpener()(url))
        return true;
    TellNotOpened(url.toString());
    return false;
}

// Called once the window has its status row.
void frmMain_BackUp::createReportControls()
{
    paint(ErrorIndicator, QPalette::Window, kGreen);
    lblError->setText(QStringLiteral("Click Error log"));
    paint(lblError, QPalette::WindowText, Qt::red);
    Label7 = link(statusBar, "Label7", "bug report");
    statusBar->addPermanentWidget(Label7);
    Command1 = named(new QPushButton(QStringLiteral("Generate Text"), this), "Command1");
    Command1->setVisible(false); // a developer's tool
    QWidget* links = Frame11;
    GifView = link(links, "GifView", "Quillaro home page and news");
    const QPixmap logo(Paths::commonFolder() + QStringLiteral("/bitmap/q.e.v2.gif"));
    if (!logo.isNull()) {
        GifView->setToolTip(GifView->text());
        GifView->setPixmap(logo);
    }
    lblQEVHome = link(links, "lblQEVHome", "q.e.v software");
    Label32 = link(links, "Label32", "More programs of q.e.v software");
    if (QLayout* column = links->layout()) {
        for (QWidget* label : {GifView, lblQEVHome, Label32})
            column->addWidget(label);
    }
    onClick(ErrorIndicator, [this] { ErrorIndicator_DblClick(); }, QEvent::MouseButtonDblClick);
    onClick(lblError, [this] { lblError_Click(); });
    onClick(Label7, [this] { Label7_Click(); });
    onClick(GifView, [this] { GifView_Click(); });
    onClick(lblQEVHome, [this] { lblQEVHome_Click(); });
    onClick(Label32, [this] { Label32_Click(); });
    connect(Command1, &QPushButton::clicked, this, &frmMain_BackUp::Command1_Click);
}

void frmMain_BackUp::showErrorIndicator()
{
    paint(ErrorIndicator, QPalette::Window, kLightRed);
    lblError->setVisible(true);
}

bool frmMain_BackUp::errorIndicatorLit() const
{
    return ErrorIndicator->palette().color(QPalette::Window) == kLightRed;
}

void frmMain_BackUp::ErrorIndicator_DblClick()
{
    lblError_Click();
    DoEvents();
}

// A log nobody could show has not been seen: the lamp stays as it was.
void frmMain_BackUp::lblError_Click()
{
    if (!openPage(QUrl::fromLocalFile(ErrorLogPath())))
        return;
    paint(ErrorIndicator, QPalette::Window, kGreen);
    lblError->setVisible(false);
}

void frmMain_BackUp::GifView_Click()
{
    (void)openPage(QUrl(WebAddresses::homePage()));
    (void)LoadNews(RtbNews1);
}

void frmMain_BackUp::OpenSuitePage() { (void)openPage(QUrl(WebAddresses::suitePage())); }
void frmMain_BackUp::Label32_Click() { OpenSuitePage(); }
void frmMain_BackUp::lblQEVHome_Click() { OpenSuitePage(); }

// Packs the error log and pictures of this window's pages into error.zip, then opens the
// bug-report page. Nothing of the profile changes on the way.
void frmMain_BackUp::Label7_Click()
{
    if (MsgBox(QStringLiteral("The bug report packs the error log and pictures of this window's pages "
                              "into error.zip. The pictures may show folder names and other details of "
                              "your profile. Make the report?"),
               MsgButtons::YesNo, MsgIcon::Question, AppName)
        != MsgResult::Yes)
        return;
    const QString errorLabel = FormularLabel("Label7_Click", "FrmMain");
    ZipArchive zip;
    QString error;
    if (!zip.Create(Paths::commonFolder() + QStringLiteral("/error.zip"), &error)) {
        ReportError(errorLabel, ErrNo::PathFileAccess, error);
        return;
    }
    if (QFile::exists(ErrorLogPath()) && !zip.Files().AddFileByName(ErrorLogPath(), 8, false, true, &error))
        ReportError(errorLabel, ErrNo::PathFileAccess, error);
    addPagePictures(zip, errorLabel);
    if (!zip.Close(&error))
        ReportError(errorLabel, ErrNo::PathFileAccess, error);
    (void)openPage(QUrl(WebAddresses::bugReportPage()));
}

// Each offered tab in turn, passwords masked; the window shows its first tab afterwards.
void frmMain_BackUp::addPagePictures(ZipArchive& zip, const QString& errorLabel)
{
    const int schedulePage = SSTab2->currentIndex();
    const bool ftpShown = !Frame10->isHidden();
    for (QLineEdit* password : {txtFTPpassword, txtEncryptPassword})
        password->setEchoMode(QLineEdit::Password);
    for (const PicturePass& pass : kPasses) {
        if (!tabAvailable(pass.tab))
            continue;
        SSTab1->setCurrentIndex(pass.tab);
        SSTab2->setCurrentIndex(0);
        showMediaSubPage(pass.ftpPage); // only the page: the destinations stay as they are
        repaint();
        DoEvents();
        addPicture(zip, pass.pass, errorLabel);
    }
    SSTab1->setCurrentIndex(0);
    SSTab2->setCurrentIndex(schedulePage);
    showMediaSubPage(ftpShown);
}

// A picture of this window only: never the desktop or other programs.
void frmMain_BackUp::addPicture(ZipArchive& zip, int pass, const QString& errorLabel)
{
    const QString file = Paths::commonFolder() + QStringLiteral("/tmp") + QString::number(pass)
                         + QStringLiteral(".bmp");
    QString error;
    if (!grab().save(file, "BMP"))
        ReportError(errorLabel, ErrNo::PathFileAccess, QStringLiteral("cannot write ") + file);
    else if (!zip.Files().AddFileByName(file, 8, false, true, &error))
        ReportError(errorLabel, ErrNo::PathFileAccess, error);
    if (QFile::exists(file))
        QFile::remove(file);
}
