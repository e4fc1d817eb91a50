#pragma once

#include <initializer_list>

#include <QString>

#include "FormControls.h"

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

// Helpers for the window's pages: every page is built from Qt layouts, never from pixel
// places, so that the window fits any size a person gives it.

// A built-in caption as it stands in the source (UTF-8).
[[nodiscard]] QString caption(const char* text);
QLabel* plainLabel(const char* text, QWidget* parent);
// A caption label that names its control for keyboard access and assistive tools.
QLabel* captionFor(const QString& text, QWidget* control, QWidget* parent);
QCheckBox* checkBox(const char* name, const char* text, QWidget* parent);
QLineEdit* textBox(const char* name, QWidget* parent);
// A box for a short number: wide enough for its figures, no wider.
QLineEdit* numberBox(const char* name, QWidget* parent);
QPushButton* button(const char* name, const char* text, QWidget* parent);
// A "..." button, as narrow as its caption, with a name a screen reader can tell apart.
QPushButton* browseButton(const char* name, const QString& readerName, QWidget* parent);
QGroupBox* frame(const char* name, const char* text, QWidget* parent);

// The layouts of a container, with the style's spacing.
QVBoxLayout* columnOf(QWidget* container);
QGridLayout* gridOf(QWidget* container);
// A row of widgets, left to right; a null entry is a stretch.
QHBoxLayout* rowOf(std::initializer_list<QWidget*> widgets);
// A name a screen reader can read for a control without a caption of its own.
void nameForReaders(QWidget* control, const QString& name);

// Adds a control to its array under the array's element name.
template <typename T> T* element(ControlArray<T>& array, const char* name, int index, T* control)
{
    control->setObjectName(elementName(QString::fromLatin1(name), index));
    array.add(index, control);
    return control;
}
