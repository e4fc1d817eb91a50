#include "FormLayout.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString caption(const char* text) { return QString::fromUtf8(text); }

QLabel* plainLabel(const char* text, QWidget* parent) { return new QLabel(caption(text), parent); }

QLabel* captionFor(const QString& text, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    // Named after its control, so that the language master file can list it.
    if (!control->objectName().isEmpty())
        label->setObjectName(QStringLiteral("lbl") + control->objectName());
    return label;
}

QCheckBox* checkBox(const char* name, const char* text, QWidget* parent)
{
    return named(new QCheckBox(caption(text), parent), name);
}

QLineEdit* textBox(const char* name, QWidget* parent) { return named(new QLineEdit(parent), name); }

QLineEdit* numberBox(const char* name, QWidget* parent)
{
    QLineEdit* box = textBox(name, parent);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
    return box;
}

QPushButton* button(const char* name, const char* text, QWidget* parent)
{
    return named(new QPushButton(caption(text), parent), name);
}

QPushButton* browseButton(const char* name, const QString& readerName, QWidget* parent)
{
    QPushButton* browse = button(name, "...", parent);
    browse->setMaximumWidth(browse->minimumSizeHint().width());
    nameForReaders(browse, readerName);
    return browse;
}

QGroupBox* frame(const char* name, const char* text, QWidget* parent)
{
    return named(new QGroupBox(caption(text), parent), name);
}

QVBoxLayout* columnOf(QWidget* container) { return new QVBoxLayout(container); }

QGridLayout* gridOf(QWidget* container) { return new QGridLayout(container); }

QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) {
        if (widget)
            row->addWidget(widget);
        else
            row->addStretch(1);
    }
    return row;
}

void nameForReaders(QWidget* control, const QString& name) { control->setAccessibleName(name); }
