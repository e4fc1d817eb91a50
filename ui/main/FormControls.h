#pragma once

#include <QList>
#include <QMap>
#include <QString>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QListWidget;
class QObject;
class QWidget;

// A control array: controls of one name told apart by an index, as optBuMode(0..2).
template <typename T> class ControlArray {
public:
    void add(int index, T* control) { m_items.insert(index, control); }
    // The element of that index; null when the array has none.
    T* operator()(int index) const { return m_items.value(index, nullptr); }
    [[nodiscard]] QList<int> indexes() const { return m_items.keys(); }
    [[nodiscard]] QList<T*> controls() const { return m_items.values(); }
    [[nodiscard]] int count() const { return static_cast<int>(m_items.size()); }

private:
    QMap<int, T*> m_items;
};

// The objectName of an array element: the array's name and the index, as "optBuMode(0)".
[[nodiscard]] QString elementName(const QString& arrayName, int index);

// A check box's value: 0 clear, 1 ticked, 2 grey.
[[nodiscard]] int chkValue(const QCheckBox* box);
// Sets 0, 1 or 2; any other value is refused (false) and leaves the box as it was.
[[nodiscard]] bool setChkValue(QCheckBox* box, int value);

// Selects or clears an option button. Clearing the selected one leaves its group with none
// selected, as a stored "0" for every button of a group asks.
void setOptValue(QRadioButton* button, bool selected);
// Makes the buttons one group of which at most one is selected.
void groupOptions(QObject* owner, const QList<QRadioButton*>& buttons);

// Shows the name in an editable combo box without running its handler, with the entry of that
// name as the chosen one (none when no entry has it), so that choosing any entry later is a change.
void setComboText(QComboBox* box, const QString& text);

// The source list: a row's text and its selected flag.
[[nodiscard]] bool listSelected(const QListWidget* list, int row);
void setListSelected(QListWidget* list, int row, bool selected);
// Adds a row, not selected; its position.
int listAddItem(QListWidget* list, const QString& text);

// Twips (the stored unit of positions and sizes) and pixels: 15 twips to a pixel.
[[nodiscard]] int twipsToPixels(double twips);
[[nodiscard]] double pixelsToTwips(int pixels);

// Gives a new control its name.
template <typename T> T* named(T* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}
