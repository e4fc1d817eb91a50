#include "MessageBox.h"

#include <QList>

namespace {

struct State
{
    MessageBoxSeam::Presenter presenter;
    MessageBoxSeam::Sink sink;
    bool unattended = false;
    QList<MsgResult> script;
    QList<MsgRequest> shown;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    State& s = state();
    const MsgRequest request{text, buttons, icon, title};
    s.shown.append(request);
    if (!s.script.isEmpty())
        return s.script.takeFirst();
    if (s.unattended || !s.presenter) {
        if (s.unattended && s.sink)
            s.sink(request);
        return MessageBoxSeam::safeAnswer(buttons);
    }
    return s.presenter(request);
}

namespace MessageBoxSeam {

void setPresenter(Presenter presenter) { state().presenter = std::move(presenter); }
void setUnattendedSink(Sink sink) { state().sink = std::move(sink); }
void setUnattended(bool unattended) { state().unattended = unattended; }
bool isUnattended() { return state().unattended; }
void scriptAnswer(MsgResult answer) { state().script.append(answer); }
void clearScript() { state().script.clear(); }
const QList<MsgRequest>& shown() { return state().shown; }
void clearShown() { state().shown.clear(); }

MsgResult safeAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel:
        return MsgResult::Cancel;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::AbortRetryIgnore:
        return MsgResult::Abort;
    case MsgButtons::Ok:
        break;
    }
    return MsgResult::Ok;
}

} // namespace MessageBoxSeam
