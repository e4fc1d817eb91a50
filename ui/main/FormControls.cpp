#include "FormControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QListWidget>
#include <QRadioButton>
#include <QWidget>

namespace {
constexpr double kTwipsPerPixel = 15.0;
}

QString elementName(const QString& arrayName, int index)
{
    return arrayName + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

int chkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

bool setChkValue(QCheckBox* box, int value)
{
    switch (value) {
    case 0:
        box->setCheckState(Qt::Unchecked);
        return true;
    case 1:
        box->setCheckState(Qt::Checked);
        return true;
    case 2:
        box->setCheckState(Qt::PartiallyChecked);
        return true;
    default:
        return false;
    }
}

void setOptValue(QRadioButton* button, bool selected)
{
    if (selected || !button->isChecked()) {
        button->setChecked(selected);
        return;
    }
    QButtonGroup* group = button->group();
    if (group)
        group->setExclusive(false);
    const bool autoExclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(autoExclusive);
    if (group)
        group->setExclusive(true);
}

void groupOptions(QObject* owner, const QList<QRadioButton*>& buttons)
{
    auto* group = new QButtonGroup(owner);
    for (QRadioButton* button : buttons)
        group->addButton(button);
}

void setComboText(QComboBox* box, const QString& text)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setEditText(text);
}

bool listSelected(const QListWidget* list, int row)
{
    const QListWidgetItem* item = list->item(row);
    return item && item->checkState() == Qt::Checked;
}

void setListSelected(QListWidget* list, int row, bool selected)
{
    if (QListWidgetItem* item = list->item(row))
        item->setCheckState(selected ? Qt::Checked : Qt::Unchecked);
}

int listAddItem(QListWidget* list, const QString& text)
{
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    return list->row(item);
}

int twipsToPixels(double twips) { return qRound(twips / kTwipsPerPixel); }

double pixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }
