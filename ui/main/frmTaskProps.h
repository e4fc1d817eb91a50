#pragma once

#include <QDialog>

#include "FormControls.h"
#include "TaskScheduler.h"

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The property pages of a scheduled task: enabled or not, and when it runs (once, daily,
// weekly on chosen days, or monthly on one day, at a time).
class frmTaskProps : public QDialog
{
    Q_OBJECT
public:
    explicit frmTaskProps(const ScheduledTask& task, QWidget* owner = nullptr);

    // The task with the choices made on the pages.
    [[nodiscard]] ScheduledTask task() const;

    QLabel* lblTaskName = nullptr;
    QLabel* lblCommand = nullptr;
    QCheckBox* chkEnabled = nullptr;
    ControlArray<QRadioButton> optSchedule; // 0 once, 1 daily, 2 weekly, 3 monthly
    QDateTimeEdit* dtpStart = nullptr;
    ControlArray<QCheckBox> chkDay; // 0 Monday to 6 Sunday
    QSpinBox* txtMonthDay = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void createControls();
    void showTask();
    void optSchedule_Click();
    void cmdOK_Click();

    ScheduledTask m_task;
};
