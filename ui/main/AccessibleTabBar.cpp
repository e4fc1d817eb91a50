#include "AccessibleTabBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QTabBar>

namespace {

class TabButton final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TabButton(QTabBar* bar, int index) : m_bar(bar), m_index(index) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    [[nodiscard]] bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::PageTab; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s = parent()->state();
        s.focused = s.selected = m_index == m_bar->currentIndex();
        s.disabled = s.disabled || !m_bar->isTabEnabled(m_index);
        s.invisible = s.invisible || !m_bar->isTabVisible(m_index);
        s.selectable = !s.disabled;
        s.focusable = s.focusable && !s.disabled;
        return s;
    }
    [[nodiscard]] QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect tab = m_bar->tabRect(m_index);
        return {m_bar->mapToGlobal(tab.topLeft()), tab.size()};
    }
    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Description)
            return m_bar->tabToolTip(m_index);
        if (kind != QAccessible::Name)
            return {};
        const QString name = m_bar->accessibleTabName(m_index);
        return name.isEmpty() ? QString(m_bar->tabText(m_index)).remove(QLatin1Char('&')) : name;
    }
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    [[nodiscard]] QAccessibleInterface* child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    [[nodiscard]] QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    [[nodiscard]] QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (isValid() && name == pressAction() && m_bar->isTabEnabled(m_index))
            m_bar->setCurrentIndex(m_index);
    }
    [[nodiscard]] QStringList keyBindingsForAction(const QString&) const override { return {}; }

    [[nodiscard]] int index() const { return m_index; }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

class TabList final : public QAccessibleWidget
{
public:
    explicit TabList(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabList() override
    {
        for (const QAccessible::Id id : std::as_const(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    [[nodiscard]] int childCount() const override { return bar()->count(); }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= bar()->count())
            return nullptr;
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(m_tabs.value(index)))
            return known;
        auto* tab = new TabButton(bar(), index);
        m_tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->role() != QAccessible::PageTab || child->parent() != this)
            return -1;
        return static_cast<const TabButton*>(child)->index();
    }
    [[nodiscard]] QAccessibleInterface* focusChild() const override
    {
        return child(bar()->currentIndex());
    }

private:
    [[nodiscard]] QTabBar* bar() const { return static_cast<QTabBar*>(object()); }
    mutable QHash<int, QAccessible::Id> m_tabs;
};

QAccessibleInterface* tabListFor(const QString& className, QObject* object)
{
    if (className != QLatin1String("QTabBar") || !object || !object->isWidgetType())
        return nullptr;
    return new TabList(static_cast<QTabBar*>(object));
}

} // namespace

void AccessibleTabBar::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(tabListFor);
        return true;
    }();
    (void)installed;
}
