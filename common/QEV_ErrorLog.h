#pragma once

#include <functional>

#include <QString>
#include <QVariant>

// Error numbers the program reports, in the numbering its error log has always used.
namespace ErrNo {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
} // namespace ErrNo

// The one error reporter: appends a line to the error log and lights the main window's
// error indicator. Never raises and never calls itself.
void ErrorMsg(bool showBox, const QString& title, const QString& label, int line, int number,
              const QString& description);
// The common call of an error handler: title AppName, line 0.
void ReportError(const QString& label, int number, const QString& description);

// Appends one line of up to ten values, each in the print form (numbers framed by blanks).
void WriteErrorLog(const QVariant& v1 = {}, const QVariant& v2 = {}, const QVariant& v3 = {},
                   const QVariant& v4 = {}, const QVariant& v5 = {}, const QVariant& v6 = {},
                   const QVariant& v7 = {}, const QVariant& v8 = {}, const QVariant& v9 = {},
                   const QVariant& v10 = {});

// Gives a new error log its header block; does nothing when the log exists or its folder
// does not.
void Ini_ErrorLog();

// Tells that an option comes in a next version.
void InNextVersion();

[[nodiscard]] int SysLanguageID();
[[nodiscard]] QString SysLanguageName();
[[nodiscard]] QString Country();
[[nodiscard]] QString LanguageName();
[[nodiscard]] QString NativeCountryName();

[[nodiscard]] QString ErrorLogPath();
// The platform's general date text: short date, blank, long time.
[[nodiscard]] QString GeneralDate(const QDateTime& when);
// A value in the print form: numbers framed by a leading blank (or minus) and a trailing blank.
[[nodiscard]] QString PrintForm(const QVariant& value);

// What the main window contributes to error reporting, installed while it exists.
struct MainWindowErrorHooks
{
    std::function<void()> showErrorIndicator;
    std::function<void(bool)> setOnTop;  // take the window on or off always-on-top
    std::function<bool()> wantsOnTop;    // chkWinOnTop is ticked
};
void setMainWindowErrorHooks(MainWindowErrorHooks hooks);
