#include "WidgetDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "MessageBox.h"

namespace {

WidgetDialogs::FolderAnswer& folderAnswer()
{
    static WidgetDialogs::FolderAnswer answer;
    return answer;
}

WidgetDialogs::TextAnswer& textAnswer()
{
    static WidgetDialogs::TextAnswer answer;
    return answer;
}

WidgetDialogs::OpenFileAnswer& openFileAnswer()
{
    static WidgetDialogs::OpenFileAnswer answer;
    return answer;
}

QMessageBox::Icon toQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonMap {
    QMessageBox::StandardButton qt;
    MsgResult result;
};

QList<ButtonMap> buttonsOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
        return {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::AbortRetryIgnore:
        return {{QMessageBox::Abort, MsgResult::Abort},
                {QMessageBox::Retry, MsgResult::Retry},
                {QMessageBox::Ignore, MsgResult::Ignore}};
    case MsgButtons::YesNoCancel:
        return {{QMessageBox::Yes, MsgResult::Yes},
                {QMessageBox::No, MsgResult::No},
                {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::YesNo:
        return {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
    case MsgButtons::RetryCancel:
        return {{QMessageBox::Retry, MsgResult::Retry}, {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::Ok:
        break;
    }
    return {{QMessageBox::Ok, MsgResult::Ok}};
}

MsgResult present(const MsgRequest& request)
{
    QMessageBox box(toQtIcon(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<ButtonMap> map = buttonsOf(request.buttons);
    for (const ButtonMap& b : map)
        box.addButton(b.qt);
    box.setDefaultButton(map.first().qt);
    const int chosen = box.exec();
    for (const ButtonMap& b : map) {
        if (chosen == b.qt)
            return b.result;
    }
    return MessageBoxSeam::safeAnswer(request.buttons);
}

} // namespace

namespace WidgetDialogs {

void installMessageBoxPresenter() { MessageBoxSeam::setPresenter(present); }

QString chooseFolder(QWidget* owner, const QString& prompt, const QString& start)
{
    if (folderAnswer())
        return folderAnswer()(prompt, start);
    if (MessageBoxSeam::isUnattended())
        return {};
    return QFileDialog::getExistingDirectory(owner, prompt, start, QFileDialog::ShowDirsOnly);
}

QString chooseOpenFile(QWidget* owner, const QString& title, const QString& filter,
                       const QString& start)
{
    if (openFileAnswer())
        return openFileAnswer()(title, filter);
    if (MessageBoxSeam::isUnattended())
        return {};
    return QFileDialog::getOpenFileName(owner, title, start, filter);
}

void setFolderAnswer(FolderAnswer answer) { folderAnswer() = std::move(answer); }
void setOpenFileAnswer(OpenFileAnswer answer) { openFileAnswer() = std::move(answer); }

QString askText(QWidget* owner, const QString& prompt, const QString& title,
                const QString& proposed)
{
    if (textAnswer())
        return textAnswer()(prompt, title, proposed);
    if (MessageBoxSeam::isUnattended())
        return {};
    bool ok = false;
    const QString text
        = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, proposed, &ok);
    // An empty answer given with OK is still an answer; only a cancel gives the null text.
    if (!ok)
        return {};
    return text.isNull() ? QStringLiteral("") : text;
}

void setTextAnswer(TextAnswer answer) { textAnswer() = std::move(answer); }

} // namespace WidgetDialogs
