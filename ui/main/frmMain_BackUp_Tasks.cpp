// The " Schedule" tab's scheduler page: the program's scheduled tasks, kept in the user's
// crontab, with their details, property pages, run now and delete.
#include "frmMain_BackUp.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "Clock.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "TaskScheduler.h"
#include "WidgetDialogs.h"
#include "FormLayout.h"
#include "frmTaskProps.h"

namespace {

constexpr int kScheduleTab = 5;

QString& programOverride()
{
    static QString program;
    return program;
}

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

const char* const kInfoCaptions[]
    = {"Program File :", "Command Line:", "Flags :", "Last Runtime  :", "Next Runtime:"};

struct FlagText
{
    quint32 bit;
    const char* text;
};
const FlagText kFlagTexts[] = {{2, "Delete When Done - "},
                               {4, "Disabled - "},
                               {64, "Don't Start If On Batteries - "},
                               {512, "Hidden - "},
                               {1, "Interactive - "},
                               {128, "Kill If Going On Batteries - "},
                               {32, "Kill On Idle End - "},
                               {16, "Start Only If Idle - "}};

QString runTimeText(const QDateTime& when)
{
    return when.isValid() ? QLocale::c().toString(when, QStringLiteral("hh:mm:ss dd-MMM-yyyy"))
                          : QString();
}

} // namespace

void setTaskProgramForTests(const QString& program) { programOverride() = program; }

QString TaskProgram()
{
    return programOverride().isEmpty() ? QCoreApplication::applicationFilePath() : programOverride();
}

QStringList frmMain_BackUp::taskArguments() const
{
    return {QStringLiteral("/run"), QStringLiteral("/profile:") + cmbProfiles->currentText(),
            QStringLiteral("/dir:") + txtPathBackUp->text()};
}

QString frmMain_BackUp::TaskFlagsText(quint32 flags)
{
    QString text;
    for (const FlagText& flag : kFlagTexts) {
        if (flags & flag.bit)
            text += QString::fromLatin1(flag.text);
    }
    return text;
}

// Called once the " Schedule" tab has its two pages.
void frmMain_BackUp::createTaskPages()
{
    SSTab2->setTabText(0, QStringLiteral("   &BackUp Scheduler"));
    SSTab2->setTabText(1, QStringLiteral("  Pellovar"));
    createSchedulerPage(SSTab2->widget(0));
    createUtilityPage(SSTab2->widget(1));
}

void frmMain_BackUp::createSchedulerPage(QWidget* page)
{
    auto* column = qobject_cast<QVBoxLayout*>(page->layout()); // the tab gave the page its column
    auto* top = new QHBoxLayout;
    lstTasks = named(new QListWidget(page), "lstTasks");
    top->addWidget(lstTasks, 1);
    auto* buttons = new QVBoxLayout;
    cmdNew = button("cmdNew", "&Add New", page);
    cmdProps = button("cmdProps", "&Properties", page);
    cdmDelete = button("cdmDelete", "&Delete", page);
    cmdRun = button("cmdRun", "&Run Now!", page);
    for (QPushButton* b : {cmdNew, cmdProps, cdmDelete, cmdRun})
        buttons->addWidget(b);
    // The toolbar's Delete is the profile's: readers are told which one this is.
    nameForReaders(lstTasks, caption("Scheduled tasks"));
    nameForReaders(cdmDelete, caption("Delete the scheduled task"));
    buttons->addStretch();
    top->addLayout(buttons);
    column->addLayout(top, 1);
    auto* details = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        QLabel* info = element(lblInfo, "lblInfo", i, new QLabel(page));
        info->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(element(lbLabels, "lbLabels", i, new QLabel(caption(kInfoCaptions[i]), page)), i, 0);
        details->addWidget(info, i, 1);
        lbLabels(i)->setBuddy(info);
    }
    details->setColumnStretch(1, 1);
    column->addLayout(details);
    for (const auto& [name, note] :
         {std::pair{"lblTaskArguments",
                    "Program command arguments :  /run   /dir:DESTINYPATH   /profile:PROFILENAME"},
          {"lblTaskExample", "example :    /usr/bin/quillaro  /run  /dir:/media/backup  /profile:QEV"}})
        column->addWidget(named(new QLabel(QString::fromLatin1(note), page), name));
}

void frmMain_BackUp::connectTaskEvents()
{
    connect(cmdNew, &QPushButton::clicked, this, &frmMain_BackUp::cmdNew_Click);
    connect(cmdProps, &QPushButton::clicked, this, &frmMain_BackUp::cmdProps_Click);
    connect(cdmDelete, &QPushButton::clicked, this, &frmMain_BackUp::cdmDelete_Click);
    connect(cmdRun, &QPushButton::clicked, this, &frmMain_BackUp::cmdRun_Click);
    connect(lstTasks, &QListWidget::itemSelectionChanged, this, &frmMain_BackUp::lstTasks_Click);
    connect(TimerRT, &QTimer::timeout, this, &frmMain_BackUp::TimerRT_Timer);
    // The list refreshes while its page is in view: the tab gains or loses the focus.
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmMain_BackUp::schedulerPageShown);
    connect(SSTab2, &QTabWidget::currentChanged, this, &frmMain_BackUp::schedulerPageShown);
    connect(cmdConfigAS, &QPushButton::clicked, this, &frmMain_BackUp::cmdConfigAS_Click);
}

TaskScheduler& frmMain_BackUp::scheduler()
{
    if (!m_scheduler)
        m_scheduler = std::make_unique<TaskScheduler>();
    return *m_scheduler;
}

void frmMain_BackUp::schedulerPageShown()
{
    const bool shown = SSTab1->currentIndex() == kScheduleTab && SSTab2->currentIndex() == 0;
    if (shown && !TimerRT->isActive())
        SSTab2_GotFocus();
    else if (!shown && TimerRT->isActive())
        SSTab2_LostFocus();
}

void frmMain_BackUp::SSTab2_GotFocus()
{
    RefreshList();
    TimerRT->start();
}

void frmMain_BackUp::SSTab2_LostFocus() { TimerRT->stop(); }

void frmMain_BackUp::TimerRT_Timer() { RefreshList(); }

QString frmMain_BackUp::selectedTaskName() const
{
    const QList<QListWidgetItem*> chosen = lstTasks->selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

// The list is rebuilt from the table; the task chosen before stays chosen while it exists.
void frmMain_BackUp::RefreshList()
{
    const QString chosen = selectedTaskName();
    lstTasks->clear();
    QString error;
    if (!scheduler().reload(&error)) {
        tellSchedulerFailure(error);
        return;
    }
    m_schedulerFailure.clear();
    for (const ScheduledTask& task : scheduler().tasks())
        lstTasks->addItem(task.name);
    const QList<QListWidgetItem*> again = lstTasks->findItems(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!chosen.isEmpty() && !again.isEmpty())
        again.first()->setSelected(true);
}

void frmMain_BackUp::lstTasks_Click()
{
    const std::optional<ScheduledTask> task = scheduler().task(selectedTaskName());
    if (!task) {
        for (QLabel* info : lblInfo.controls())
            info->clear();
        return;
    }
    lblInfo(0)->setText(task->program);
    lblInfo(1)->setText(task->parameters());
    lblInfo(2)->setText(TaskFlagsText(task->flags));
    lblInfo(3)->setText(runTimeText(TaskScheduler::lastRun(task->name)));
    lblInfo(4)->setText(runTimeText(TaskScheduler::nextRun(*task, Clock::now())));
}

// Asks for the name of a new task until it is one a task can have; null when none is given.
QString frmMain_BackUp::askNewTaskName()
{
    for (;;) {
        const QString answer = WidgetDialogs::askText(this, LangText(245), AppName, LangText(246));
        if (answer.trimmed().isEmpty())
            return {};
        if (!IsValidFilename(answer) || answer.contains(QLatin1Char('/'))) {
            MsgBox(LangText(247) + QStringLiteral("\nPlease try again !"), MsgButtons::Ok,
                   MsgIcon::Critical, LangText(16));
            continue;
        }
        // The list may be older than the table: ask the table too.
        const bool listed = !lstTasks->findItems(answer, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty();
        QString ignored;
        if (listed || (scheduler().reload(&ignored) && scheduler().task(answer))) {
            MsgBox(QStringLiteral("The taskname already exists on the tasklist\n") + LangText(174),
                   MsgButtons::Ok, MsgIcon::Critical, LangText(16));
            continue;
        }
        return answer;
    }
}

void frmMain_BackUp::cmdNew_Click()
{
    const QString name = askNewTaskName();
    if (name.isNull())
        return;
    ScheduledTask task;
    task.name = name;
    task.program = TaskProgram();
    task.arguments = taskArguments();
    task.comment = QStringLiteral("Tendravel Scheduler");
    task.workingFolder = Paths::programFolder();
    task.baseFolder = Paths::baseFolder(); // the run finds the profile where the window does
    // A task OKed as it opens runs: daily, from the next full hour on.
    const QDateTime now = Clock::now();
    task.trigger = {TaskTrigger::Kind::Daily,
                    QDateTime(now.date(), QTime(now.time().hour(), 0)).addSecs(3600), 0, 1};
    task.flags = 0;
    QString error;
    if (!scheduler().save(task, &error))
        schedulerFailed(label("cmdNew_Click"), error);
    else
        editTask(task, nullptr, label("cmdNew_Click"));
    RefreshList();
}

// Shows the task's property pages and writes what the user chose.
void frmMain_BackUp::editTask(const ScheduledTask& task, QWidget* owner, const QString& errorLabel)
{
    frmTaskProps pages(task, owner);
    if (pages.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!scheduler().save(pages.task(), &error))
        schedulerFailed(errorLabel, error);
}

void frmMain_BackUp::cmdProps_Click()
{
    const QString name = selectedTaskName();
    QString error;
    if (name.isEmpty())
        return;
    if (!scheduler().reload(&error))
        return schedulerFailed(label("cmdProps_Click"), error);
    if (const std::optional<ScheduledTask> task = scheduler().task(name))
        editTask(*task, this, label("cmdProps_Click"));
    RefreshList();
}

void frmMain_BackUp::cdmDelete_Click()
{
    const QString name = selectedTaskName();
    if (name.isEmpty())
        return;
    if (MsgBox(LangText(244) + QLatin1Char(' ') + name + QLatin1Char(' ') + LangText(13),
               MsgButtons::YesNo, MsgIcon::Question, AppName)
        != MsgResult::Yes)
        return;
    QString error;
    if (!scheduler().remove(name, &error))
        schedulerFailed(label("cdmDelete_Click"), error);
    RefreshList();
}

void frmMain_BackUp::cmdRun_Click()
{
    const QString name = selectedTaskName();
    QString error;
    if (name.isEmpty())
        return;
    if (!scheduler().reload(&error))
        return schedulerFailed(label("cmdRun_Click"), error);
    if (!scheduler().runNow(name, &error)) {
        ReportError(label("cmdRun_Click"), ErrNo::FileNotFound, error);
        return;
    }
    txtNews->setText(LangText(364) + QStringLiteral(" \"") + name + QStringLiteral("\" - ")
                     + QLocale::c().toString(Clock::now(), QStringLiteral("hh:mm:ss")));
}

// The user is told once why the scheduler cannot be used, not at every refresh of the list.
void frmMain_BackUp::tellSchedulerFailure(const QString& why)
{
    if (why == m_schedulerFailure)
        return;
    m_schedulerFailure = why;
    MsgBox(LangText(365) + QStringLiteral("\n\n") + why, MsgButtons::Ok, MsgIcon::Critical,
           LangText(16));
}

void frmMain_BackUp::schedulerFailed(const QString& errorLabel, const QString& why)
{
    ReportError(errorLabel, ErrNo::PathFileAccess, why);
    m_schedulerFailure.clear(); // a command that failed is always answered
    tellSchedulerFailure(why);
}
