// The developer's export for the language master file: every control of the window is
// numbered, its caption and tooltip listed under the number, and the matching assignment
// lines written beside them.
#include "frmMain_BackUp.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>

#include "Paths.h"

namespace {

enum class ExportKind { Nothing, Tooltip, Items, Caption };

ExportKind kindOf(const QObject* control)
{
    if (qobject_cast<const QProgressBar*>(control))
        return ExportKind::Tooltip;
    if (qobject_cast<const QToolBar*>(control) || qobject_cast<const QTabWidget*>(control))
        return ExportKind::Items;
    if (qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control)
        || qobject_cast<const QGroupBox*>(control) || qobject_cast<const QSlider*>(control)
        || qobject_cast<const QAction*>(control) || qobject_cast<const QMenu*>(control))
        return ExportKind::Caption;
    return ExportKind::Nothing;
}

QString captionOf(const QObject* control)
{
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (auto* action = qobject_cast<const QAction*>(control))
        return action->text();
    if (auto* menu = qobject_cast<const QMenu*>(control))
        return menu->title();
    return {};
}

// Menus have no tooltip of their own.
QString tooltipOf(const QObject* control)
{
    auto* widget = qobject_cast<const QWidget*>(control);
    return widget && !qobject_cast<const QMenu*>(widget) ? widget->toolTip() : QString();
}

// The members of a control array share their name.
QString commonName(const QString& objectName)
{
    static const QRegularExpression index(QStringLiteral("\\(\\d+\\)$"));
    QString name = objectName;
    return name.remove(index);
}

// The controls in the order they were made; a toolbar's buttons are items of the toolbar.
QList<QObject*> controlsOf(const QWidget* window)
{
    QList<QObject*> controls;
    for (QObject* child : window->findChildren<QObject*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QStringLiteral("qt_"))
            || qobject_cast<QToolBar*>(child->parent()))
            continue;
        controls.append(child);
    }
    return controls;
}

struct ExportFiles
{
    QStringList texts;
    QStringList assignments;

    void addControl(int n, const QString& name, const QString& caption, const QString& tooltip,
                    bool withCaption)
    {
        const QString number = QString::number(n);
        if (withCaption) {
            texts.append(QLatin1Char('C') + number + caption);
            assignments.append(name + QStringLiteral(".Caption= txc(") + number + QLatin1Char(')'));
        }
        texts.append(QLatin1Char('O') + number + tooltip);
        assignments.append(name + QStringLiteral(".ToolTipText= txo(") + number + QLatin1Char(')'));
    }
    void addItem(int n, const QString& name, const QString& caption, const QString& tooltip)
    {
        texts.append(QLatin1Char('C') + QString::number(n) + name + QStringLiteral(".Caption") + caption);
        texts.append(QLatin1Char('O') + QString::number(n) + name + QStringLiteral(".ToolTipText") + tooltip);
    }
    void addItems(int n, const QObject* control)
    {
        if (auto* toolbar = qobject_cast<const QToolBar*>(control)) {
            for (const QAction* button : toolbar->actions())
                addItem(n, button->objectName(), button->text(), button->toolTip());
        } else if (auto* tabs = qobject_cast<const QTabWidget*>(control)) {
            for (int i = 0; i < tabs->count(); ++i)
                addItem(n, {}, tabs->tabText(i), tabs->tabToolTip(i));
        }
    }
};

bool writeLines(const QString& path, const QStringList& lines)
{
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) >= 0
           && out.commit();
}

} // namespace

// The captions and tooltips the window was built with. The export takes these: what runs
// and refreshes put into the controls later (local paths, counts) is no caption.
void frmMain_BackUp::keepBuiltTexts()
{
    for (const QObject* control : controlsOf(this))
        m_builtTexts.insert(control, {captionOf(control), tooltipOf(control)});
}

void frmMain_BackUp::Command1_Click()
{
    ExportFiles files;
    int n = 0;
    for (const QObject* control : controlsOf(this)) {
        ++n;
        const auto built = m_builtTexts.constFind(control);
        if (built == m_builtTexts.cend())
            continue; // made at run time
        const QString name = commonName(control->objectName());
        const auto& [caption, tooltip] = *built;
        switch (kindOf(control)) {
        case ExportKind::Nothing: break;
        case ExportKind::Tooltip: files.addControl(n, name, {}, tooltip, false); break;
        case ExportKind::Items: files.addItems(n, control); break;
        case ExportKind::Caption: files.addControl(n, name, caption, tooltip, true); break;
        }
    }
    // A file that cannot be written is left out; the export is a developer's tool.
    (void)writeLines(Paths::programFolder() + QStringLiteral("/quillaro.eng"), files.texts);
    (void)writeLines(Paths::programFolder() + QStringLiteral("/quillaro2.tmp"), files.assignments);
}
