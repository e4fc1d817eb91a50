#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QAction>
#include <QTest>
#include <QTextEdit>

#include "Globals.h"
#include "ProfileFixture.h"
#include "frmMain_BackUp.h"

namespace {

// Widgets that only hold others.
bool isContainer(const QWidget* w)
{
    return w->metaObject() == &QWidget::staticMetaObject || qobject_cast<const QGroupBox*>(w)
        || qobject_cast<const QStackedWidget*>(w);
}

// What a user sees and works on a page: the visible controls placed by the page's layouts
// (the parts inside a control, such as a combo box's edit, belong to that control).
QList<QWidget*> controlsOf(QWidget* page)
{
    QList<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (w->isVisibleTo(page) && !isContainer(w) && w->parentWidget()
            && isContainer(w->parentWidget()))
            controls << w;
    }
    return controls;
}

QRect placeOn(const QWidget* w, const QWidget* page)
{
    return QRect(w->mapTo(page, QPoint(0, 0)), w->size());
}

QString describe(const QWidget* w, const QWidget* page)
{
    const QRect r = placeOn(w, page);
    return QStringLiteral("%1 %2 (%3,%4 %5x%6)")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

// A caption is whole when its control has the room its text needs.
bool captionWhole(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w); label && label->wordWrap())
        return w->height() >= label->heightForWidth(w->width());
    if (!qobject_cast<const QLabel*>(w) && !qobject_cast<const QAbstractButton*>(w))
        return true;
    const QSize needed = w->minimumSizeHint();
    return w->width() >= needed.width() && w->height() >= needed.height();
}

QStringList faultsOf(QWidget* page)
{
    QStringList faults;
    const QList<QWidget*> controls = controlsOf(page);
    for (int i = 0; i < controls.size(); ++i) {
        if (!captionWhole(controls[i]))
            faults << QStringLiteral("cut: ") + describe(controls[i], page);
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i]))
                continue;
            if (placeOn(controls[i], page).intersects(placeOn(controls[j], page)))
                faults << QStringLiteral("overlap: ") + describe(controls[i], page)
                        + QStringLiteral(" / ") + describe(controls[j], page);
        }
    }
    return faults;
}

void chooseMode(frmMain_BackUp& w, int mode)
{
    w.optBuMode(mode == 0 ? 1 : 0)->setChecked(true);
    w.optBuMode(mode)->setChecked(true);
}

} // namespace

// The window's layout on a desktop of 1920x1200: every mode, every tab, at 1024x768 and
// maximised, judged by the controls' geometries.
class tst_frmMain_BackUp_Layout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TestSupport::prepareProgram()); }
    void firstStartShowsThePagesWhole();
    void aStoredSizeIsKept();
    void nothingOverlapsOrIsCut_data();
    void nothingOverlapsOrIsCut();
    void listsAndNewsGrowWithTheWindow();
    void smallWindowScrollsItsPages();
    void everyControlHasAName();
    void textsSpeakOfThisSystem();
};

void tst_frmMain_BackUp_Layout::nothingOverlapsOrIsCut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("maximised");
    const char* modes[] = {"ZIP archive", "File copy", "File sync"};
    for (int mode = 0; mode < 3; ++mode) {
        QTest::addRow("%s at 1024x768", modes[mode]) << mode << false;
        QTest::addRow("%s maximised", modes[mode]) << mode << true;
    }
}

void tst_frmMain_BackUp_Layout::nothingOverlapsOrIsCut()
{
    QFETCH(int, mode);
    QFETCH(bool, maximised);
    frmMain_BackUp w;
    chooseMode(w, mode);
    w.resize(1024, 768);
    w.show();
    if (maximised)
        w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (maximised)
        QTRY_VERIFY(w.width() > 1800 && w.height() > 1100);
    else
        QCOMPARE(w.size(), QSize(1024, 768));
    for (int tab = 0; tab < w.SSTab1->count(); ++tab) {
        w.SSTab1->setCurrentIndex(tab);
        auto* scroller = qobject_cast<QScrollArea*>(w.SSTab1->widget(tab));
        QVERIFY(scroller);
        QApplication::processEvents();
        QVERIFY2(!scroller->verticalScrollBar()->isVisible()
                     && !scroller->horizontalScrollBar()->isVisible(),
                 qPrintable(QStringLiteral("tab %1 does not fit").arg(tab)));
        const QStringList faults = faultsOf(scroller->widget());
        QVERIFY2(
            faults.isEmpty(),
            qPrintable(QStringLiteral("tab %1: ").arg(tab) + faults.join(QStringLiteral("; "))));
    }
}

void tst_frmMain_BackUp_Layout::listsAndNewsGrowWithTheWindow()
{
    frmMain_BackUp w;
    w.resize(1024, 768);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int tab : {0, 1}) {
        w.SSTab1->setCurrentIndex(tab);
        QApplication::processEvents();
    }
    const QSize news = w.RtbNews1->size();
    const QSize list = w.List1->size();
    w.showMaximized();
    QTRY_VERIFY(w.width() > 1800 && w.height() > 1100);
    for (int tab : {0, 1}) {
        w.SSTab1->setCurrentIndex(tab);
        QApplication::processEvents();
    }
    QVERIFY(w.RtbNews1->width() > news.width() && w.RtbNews1->height() > news.height());
    QVERIFY(w.List1->width() > list.width() && w.List1->height() > list.height());
}

// The window keeps a size smaller than its pages; the pages scroll instead of being cut.
void tst_frmMain_BackUp_Layout::smallWindowScrollsItsPages()
{
    frmMain_BackUp w;
    w.resize(649, 519);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(649, 519));
    w.SSTab1->setCurrentIndex(2);
    QApplication::processEvents();
    auto* scroller = qobject_cast<QScrollArea*>(w.SSTab1->widget(2));
    QTRY_VERIFY(scroller->verticalScrollBar()->isVisible());
    const QStringList faults = faultsOf(scroller->widget());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

// No size was ever stored: the window opens large enough for its pages, inside the screen.
void tst_frmMain_BackUp_Layout::firstStartShowsThePagesWhole()
{
    TestSupport::clearProfiles();
    frmMain_BackUp w;
    g_frmMain = &w;
    w.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QSize room = w.screen()->availableGeometry().size();
    QVERIFY2(w.width() >= qMin(1000, room.width() * 95 / 100) && w.height() >= 720,
             qPrintable(QStringLiteral("%1x%2").arg(w.width()).arg(w.height())));
    // The title bar and borders the window manager adds are inside the screen too.
    const QRect framed(w.pos(), w.size() + QSize(16, 40));
    QVERIFY2(w.screen()->availableGeometry().contains(framed),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height())));
    for (int tab = 0; tab < w.SSTab1->count(); ++tab) {
        w.SSTab1->setCurrentIndex(tab);
        QApplication::processEvents();
        if (auto* scroller = qobject_cast<QScrollArea*>(w.SSTab1->widget(tab))) {
            QVERIFY2(!scroller->verticalScrollBar()->isVisible(), qPrintable(QString::number(tab)));
            QVERIFY2(!scroller->horizontalScrollBar()->isVisible(),
                     qPrintable(QString::number(tab)));
        }
    }
    g_frmMain = nullptr;
}

// A size the user left, however small, is the size the window opens at; a place off the
// screen is brought back.
void tst_frmMain_BackUp_Layout::aStoredSizeIsKept()
{
    TestSupport::clearProfiles();
    const QString scope = QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_User;
    SettingsStore::saveValue(scope, QStringLiteral("Data"), QStringLiteral("MainWidth"),
                             QStringLiteral("9735"));
    SettingsStore::saveValue(scope, QStringLiteral("Data"), QStringLiteral("MainHeight"),
                             QStringLiteral("7785"));
    SettingsStore::saveValue(scope, QStringLiteral("Data"), QStringLiteral("MainLeft"),
                             QStringLiteral("60000"));
    frmMain_BackUp w;
    g_frmMain = &w;
    w.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(649, 519));
    QVERIFY(w.screen()->availableGeometry().contains(w.pos()));
    g_frmMain = nullptr;
}

// The name a screen reader gives a control: its own accessible name, its caption label's
// text, or its own text.
QString readableName(const QWidget* control, const QList<QLabel*>& labels)
{
    if (!control->accessibleName().isEmpty())
        return control->accessibleName();
    for (const QLabel* label : labels) {
        if (label->buddy() == control)
            return label->text().remove(QLatin1Char('&')).simplified();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text().remove(QLatin1Char('&')).simplified();
    return {};
}

// Every control a user can reach on the option pages has a name of its own for assistive
// tools; two controls never share one.
void tst_frmMain_BackUp_Layout::everyControlHasAName()
{
    frmMain_BackUp w;
    const QList<QLabel*> labels = w.findChildren<QLabel*>();
    QMap<QString, QString> owners;
    QStringList faults;
    // The toolbar's buttons are named by their captions, which nothing else may take.
    for (const QAction* button : w.tbTools->actions()) {
        if (!button->isSeparator())
            owners.insert(button->text().remove(QLatin1Char('&')), button->objectName());
    }
    w.Frame10->setVisible(true); // the FTP page beside the destination page
    QList<QWidget*> pages;
    for (int tab = 0; tab < w.SSTab1->count(); ++tab)
        pages << qobject_cast<QScrollArea*>(w.SSTab1->widget(tab))->widget();
    for (QWidget* page : pages) {
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(page) || isContainer(control) || !control->parentWidget()
                || !isContainer(control->parentWidget()))
                continue;
            if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QProgressBar*>(control))
                continue;
            if (qobject_cast<QTabWidget*>(control) || qobject_cast<QTabBar*>(control))
                continue;
            const QString name = readableName(control, labels);
            if (name.isEmpty() || name == QStringLiteral("..."))
                faults << QStringLiteral("no name: ") + control->objectName();
            else if (owners.contains(name))
                faults << QStringLiteral("\"%1\" twice: %2 and %3")
                              .arg(name, owners.value(name), control->objectName());
            owners.insert(name, control->objectName());
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));

    // A withdrawn tab and its page are insensitive to assistive tools as well.
    w.optBuMode(2)->setChecked(true);
    for (int tab : {3, 4}) {
        QVERIFY(!w.tabAvailable(tab));
        QAccessibleInterface* page = QAccessible::queryAccessibleInterface(w.SSTab1->widget(tab));
        QVERIFY(page && page->state().disabled);
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(
            tab == 3 ? static_cast<QWidget*>(w.txtPathBackUp) : w.txtMaxZIPsize);
        QVERIFY(box && box->state().disabled);
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(w.SSTab1->tabBar());
        QAccessibleInterface* button = bar ? bar->child(tab) : nullptr;
        QVERIFY(button && button->role() == QAccessible::PageTab);
        QVERIFY2(button->state().disabled, qPrintable(button->text(QAccessible::Name)));
        QCOMPARE(bar->indexOfChild(button), tab);
    }
    QAccessibleInterface* sources = QAccessible::queryAccessibleInterface(w.SSTab1->tabBar())->child(1);
    QVERIFY(!sources->state().disabled);
    QCOMPARE(sources->text(QAccessible::Name), w.SSTab1->tabText(1).remove(QLatin1Char('&')));
    QVERIFY(!QAccessible::queryAccessibleInterface(w.SSTab1->widget(1))->state().disabled);
}

// The shipped English texts speak of the system the program runs on.
void tst_frmMain_BackUp_Layout::textsSpeakOfThisSystem()
{
    frmMain_BackUp w;
    QStringList faults;
    static const QRegularExpression other(
        QStringLiteral("Windows|\\.exe\\b|Administrator|your PC"));
    auto check = [&](const QObject* control, const QString& text) {
        if (other.match(text).hasMatch())
            faults << control->objectName() + QStringLiteral(": ") + text;
    };
    for (const QWidget* control : w.findChildren<QWidget*>()) {
        check(control, control->toolTip());
        if (const auto* button = qobject_cast<const QAbstractButton*>(control))
            check(control, button->text());
        if (const auto* label = qobject_cast<const QLabel*>(control))
            check(control, label->text());
        if (const auto* frame = qobject_cast<const QGroupBox*>(control))
            check(control, frame->title());
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

// Tests run on the offscreen platform; give it a desktop larger than 1024x768, or the one
// QUILLARO_TEST_SCREEN names ("1024x768").
int main(int argc, char** argv)
{
    const QList<QByteArray> size = qgetenv("QUILLARO_TEST_SCREEN").split('x');
    const QByteArray width = size.size() == 2 ? size[0] : QByteArray("1920");
    const QByteArray height = size.size() == 2 ? size[1] : QByteArray("1200");
    const QString config = QDir::temp().filePath(
        QStringLiteral("quillaro-layout-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"screens":[{"name":"desk","x":0,"y":0,"width":)" + width + R"(,"height":)"
               + height + R"(,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    tst_frmMain_BackUp_Layout test;
    const int result = QTest::qExec(&test, argc, argv);
    QFile::remove(config);
    return result;
}

#include "tst_frmMain_BackUp_Layout.moc"
