// The " Schedule" tab's page of the separate shutdown utility: it is set up to back the
// current profile up, and started, when it is installed.
#include "frmMain_BackUp.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "CronTable.h"
#include "FormLayout.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProcessRunner.h"
#include "ProgramInstances.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

constexpr int kCloseAttempts = 6;

using SettingsKeys::userScope;
QString utilityScope() { return QStringLiteral("QEV\\Pellovar\\") + g_User; }

// A word as a shell splits it back: plain when it holds nothing a shell treats specially.
QString argumentWord(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/:.,+=@-]+$"));
    return plain.match(word).hasMatch() ? word : CronCommand::shellWord(word);
}

void showCritical(int first, int second)
{
    MsgBox(LangText(first) + QLatin1Char('\n') + LangText(second), MsgButtons::Ok,
           MsgIcon::Critical, LangText(16));
}

} // namespace

QString frmMain_BackUp::utilityProgram()
{
    return SettingsStore::getValue(userScope(), QStringLiteral("Settings"),
                                   QStringLiteral("PellovarProgram"),
                                   Paths::baseFolder() + QStringLiteral("/Pellovar/Pellovar"));
}

void frmMain_BackUp::createUtilityPage(QWidget* page)
{
    Q_UNUSED(page); // Frame11 fills it
    Frame11->setTitle(QStringLiteral("Configure Pellovar to run Tendravel using the current profile."));
    auto* column = qobject_cast<QVBoxLayout*>(Frame11->layout()); // the tab gave the frame its column
    cmdConfigAS = button("cmdConfigAS", "Configure Pellovar now ...", Frame11);
    column->addWidget(cmdConfigAS);
    auto* note = named(new QLabel(QStringLiteral("Note: Pellovar must be installed on this computer. For more "
                                                 "information about Pellovar visit our homepage."),
                                  Frame11),
                       "lblUtilityNote");
    note->setWordWrap(true);
    column->addWidget(note);
    lblUtilityState = named(new QLabel(Frame11), "lblUtilityState");
    lblUtilityState->setWordWrap(true);
    column->addWidget(lblUtilityState);
    column->addStretch();
    showUtilityState();
}

// The page says whether the utility is there, before anyone presses the button.
void frmMain_BackUp::showUtilityState()
{
    const QString program = utilityProgram();
    const QString state = QFileInfo(program).isExecutable()
                              ? QString(QStringLiteral("Pellovar is installed: ") + program)
                              : QString(QStringLiteral("Pellovar is not installed (looked for ")
                                        + program + QStringLiteral(")."));
    lblUtilityState->setText(state);
}

void frmMain_BackUp::cmdConfigAS_Click()
{
    const QString program = utilityProgram();
    closeRunningUtility(program);
    SettingsStore::saveValue(utilityScope(), QStringLiteral("Settings"), QStringLiteral("txtStartProgram"),
                             TaskProgram());
    QStringList words;
    for (const QString& argument : taskArguments())
        words.append(argumentWord(argument));
    SettingsStore::saveValue(utilityScope(), QStringLiteral("Settings"),
                             QStringLiteral("txtProgramParameters"), words.join(QLatin1Char(' ')));
    SettingsStore::saveValue(utilityScope(), QStringLiteral("Settings"), QStringLiteral("chkStartProgram"),
                             QStringLiteral("1"));
    (void)SettingsStore::flush(); // the utility reads them at once
    QString error;
    if (!QFileInfo(program).isExecutable() || ProcessRunner::start(program, {}, &error) <= 0)
        showCritical(170, 149);
    showUtilityState();
}

// A running utility is asked to close, once a second, six times at most.
void frmMain_BackUp::closeRunningUtility(const QString& program)
{
    for (int attempt = 0; !ProgramInstances::running(program).isEmpty(); ++attempt) {
        if (attempt == kCloseAttempts) {
            showCritical(148, 149);
            return;
        }
        for (const qint64 id : ProgramInstances::running(program))
            ProgramInstances::requestClose(id);
        Wait_Seconds(1);
    }
}
