#pragma once

#include <functional>

#include <QString>
#include <QStringList>

enum class MsgButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { Ok = 1, Cancel, Abort, Retry, Ignore, Yes, No };

struct MsgRequest
{
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title;
};

// The one message box of the program. Answers come, in this order, from the scripted queue
// (tests), the unattended policy (no box: the text goes to the unattended sink and the safe
// button is chosen), or the presenter that the user interface installs.
MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title);

namespace MessageBoxSeam {

using Presenter = std::function<MsgResult(const MsgRequest&)>;
using Sink = std::function<void(const MsgRequest&)>;

void setPresenter(Presenter presenter);
// Receives the texts of the boxes an unattended run does not show.
void setUnattendedSink(Sink sink);
void setUnattended(bool unattended);
[[nodiscard]] bool isUnattended();

// Tests: the next boxes answer with these buttons, in order.
void scriptAnswer(MsgResult answer);
void clearScript();
// Tests: every box asked for since the last clear, answered or not.
[[nodiscard]] const QList<MsgRequest>& shown();
void clearShown();

// The button an unattended run chooses: Cancel where there is one, else No, else OK.
[[nodiscard]] MsgResult safeAnswer(MsgButtons buttons);

} // namespace MessageBoxSeam
