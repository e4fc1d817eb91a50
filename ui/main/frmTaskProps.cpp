#include "frmTaskProps.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "FormLayout.h"
#include "Globals.h"
#include "MessageBox.h"

namespace {

const char* const kKinds[] = {"&Once", "&Daily", "&Weekly", "&Monthly"};
const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

} // namespace

frmTaskProps::frmTaskProps(const ScheduledTask& task, QWidget* owner)
    : QDialog(owner)
    , m_task(task)
{
    setObjectName(QStringLiteral("frmTaskProps"));
    setWindowTitle(task.name);
    createControls();
    showTask();
}

void frmTaskProps::createControls()
{
    auto* form = new QFormLayout;
    lblTaskName = named(new QLabel(this), "lblTaskName");
    lblCommand = named(new QLabel(this), "lblCommand");
    lblCommand->setWordWrap(true);
    lblCommand->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chkEnabled = named(new QCheckBox(QStringLiteral("&Enabled (the task runs at the time given)"), this), "chkEnabled");
    form->addRow(QStringLiteral("Task:"), lblTaskName);
    form->addRow(QStringLiteral("Runs:"), lblCommand);
    form->addRow(chkEnabled);
    auto* kinds = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* option = element(optSchedule, "optSchedule", i, new QRadioButton(QString::fromLatin1(kKinds[i]), this));
        kinds->addWidget(option);
        connect(option, &QRadioButton::toggled, this, &frmTaskProps::optSchedule_Click);
    }
    form->addRow(QStringLiteral("Schedule:"), kinds);
    dtpStart = named(new QDateTimeEdit(this), "dtpStart");
    dtpStart->setDisplayFormat(QStringLiteral("dd-MMM-yyyy HH:mm"));
    dtpStart->setCalendarPopup(true);
    form->addRow(QStringLiteral("Start at:"), dtpStart);
    auto* days = new QHBoxLayout;
    for (int i = 0; i < 7; ++i)
        days->addWidget(element(chkDay, "chkDay", i, new QCheckBox(QString::fromLatin1(kDays[i]), this)));
    form->addRow(QStringLiteral("On the days:"), days);
    txtMonthDay = named(new QSpinBox(this), "txtMonthDay");
    txtMonthDay->setRange(1, 31);
    form->addRow(QStringLiteral("On day of the month:"), txtMonthDay);
    auto* buttons = new QDialogButtonBox(this);
    cmdOK = named(buttons->addButton(QDialogButtonBox::Ok), "cmdOK");
    cmdCancel = named(buttons->addButton(QDialogButtonBox::Cancel), "cmdCancel");
    connect(cmdOK, &QPushButton::clicked, this, &frmTaskProps::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
}

void frmTaskProps::showTask()
{
    const TaskTrigger& t = m_task.trigger;
    lblTaskName->setText(m_task.name);
    lblCommand->setText(m_task.program + QLatin1Char(' ') + m_task.parameters());
    chkEnabled->setChecked(m_task.enabled());
    optSchedule(int(t.kind))->setChecked(true);
    dtpStart->setDateTime(t.start.isValid() ? t.start : QDateTime::currentDateTime());
    for (int i = 0; i < 7; ++i)
        chkDay(i)->setChecked(t.weekDays & (1 << i));
    txtMonthDay->setValue(qBound(1, t.monthDay, 31));
    optSchedule_Click();
}

// Only the fields of the chosen kind of schedule can be changed.
void frmTaskProps::optSchedule_Click()
{
    const bool weekly = optSchedule(2)->isChecked();
    for (QCheckBox* day : chkDay.controls())
        day->setEnabled(weekly);
    txtMonthDay->setEnabled(optSchedule(3)->isChecked());
    dtpStart->setDisplayFormat(optSchedule(0)->isChecked() ? QStringLiteral("dd-MMM-yyyy HH:mm")
                                                           : QStringLiteral("HH:mm"));
}

ScheduledTask frmTaskProps::task() const
{
    ScheduledTask task = m_task;
    task.flags = chkEnabled->isChecked() ? task.flags & ~TaskFlag::Disabled
                                         : task.flags | TaskFlag::Disabled;
    TaskTrigger& t = task.trigger;
    for (int i = 0; i < 4; ++i) {
        if (optSchedule(i)->isChecked())
            t.kind = TaskTrigger::Kind(i);
    }
    const QDateTime start = dtpStart->dateTime();
    t.start = QDateTime(start.date(), QTime(start.time().hour(), start.time().minute()));
    t.weekDays = 0;
    for (int i = 0; i < 7; ++i)
        t.weekDays |= chkDay(i)->isChecked() ? 1 << i : 0;
    t.monthDay = txtMonthDay->value();
    return task;
}

void frmTaskProps::cmdOK_Click()
{
    if (optSchedule(2)->isChecked() && task().trigger.weekDays == 0) {
        MsgBox(QStringLiteral("Choose at least one day of the week."), MsgButtons::Ok,
               MsgIcon::Exclamation, AppName + QStringLiteral(" Info"));
        return;
    }
    accept();
}
