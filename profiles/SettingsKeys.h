#pragma once

#include <QDate>
#include <QList>
#include <QString>

// The layout of the settings store: the application names of the scopes, every stored key
// with its kind and default, and how a control's value becomes stored text and back.

enum class KeyKind { Check, Option, Text, ListPosition, Slider, Date };

struct SettingKey
{
    QString key;
    KeyKind kind = KeyKind::Text;
    QString defaultValue;
    QString control; // objectName of the control that shows the value
};

namespace SettingsKeys {

[[nodiscard]] QString userScope();
[[nodiscard]] QString profileScope(const QString& profile);
[[nodiscard]] QString commonScope();
[[nodiscard]] QString machineScope();
[[nodiscard]] QString utilityScope();

// The user keys of section "Settings" in the order Save_Settings writes them.
[[nodiscard]] QList<SettingKey> userKeys();
// The profile keys of section "Settings" in the order Save_Settings writes them.
[[nodiscard]] QList<SettingKey> profileKeys();
// One key of the two tables by name; an empty key when there is none.
[[nodiscard]] SettingKey find(const QString& key);

// Stored forms.
[[nodiscard]] QString checkText(int value);
[[nodiscard]] QString optionText(bool selected);
[[nodiscard]] QString dateText(const QDate& date);
// Read-back conversions; false when the text does not convert to the kind.
[[nodiscard]] bool parseCheck(const QString& text, int* value);
[[nodiscard]] bool parseOption(const QString& text, bool* selected);
[[nodiscard]] bool parseShort(const QString& text, qint16* value);
[[nodiscard]] bool parseInt(const QString& text, int* value);
[[nodiscard]] bool parseDate(const QString& text, QDate* date);

// A profile name that stays inside the program folder and its own settings scope: not blank,
// not "." or "..", without "/", "\", NUL or line breaks. *why tells what is wrong.
[[nodiscard]] bool validProfileName(const QString& name, QString* why = nullptr);

} // namespace SettingsKeys
