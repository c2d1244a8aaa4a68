#include "controls/segmentaccessible.h"

#include "controls/segmentedcontrol.h"

#include <QWidget>
#include <QWindow>

SegmentAccessible::SegmentAccessible(SegmentedControl *control, int index)
    : m_control(control), m_index(index)
{
}

bool SegmentAccessible::isValid() const
{
    return m_control && m_index < m_control->titles().size();
}

QObject *SegmentAccessible::object() const
{
    return nullptr;
}

QWindow *SegmentAccessible::window() const
{
    return m_control ? m_control->window()->windowHandle() : nullptr;
}

QAccessibleInterface *SegmentAccessible::parent() const
{
    return m_control ? QAccessible::queryAccessibleInterface(m_control.data()) : nullptr;
}

QAccessibleInterface *SegmentAccessible::child(int) const
{
    return nullptr;
}

int SegmentAccessible::childCount() const
{
    return 0;
}

int SegmentAccessible::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QAccessibleInterface *SegmentAccessible::childAt(int, int) const
{
    return nullptr;
}

QString SegmentAccessible::text(QAccessible::Text text) const
{
    if (!isValid() || text != QAccessible::Name)
        return QString();
    return m_control->titles().at(m_index);
}

void SegmentAccessible::setText(QAccessible::Text, const QString &) {}

QRect SegmentAccessible::rect() const
{
    if (!isValid())
        return QRect();
    const QRect local = m_control->segmentRect(m_index);
    return QRect(m_control->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role SegmentAccessible::role() const
{
    return QAccessible::RadioButton;
}

QAccessible::State SegmentAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const bool chosen = m_control->currentIndex() == m_index;
    state.checkable = true;
    state.checked = chosen;
    state.focusable = m_control->focusPolicy() != Qt::NoFocus;
    state.focused = chosen && m_control->hasFocus();
    state.disabled = !m_control->isEnabled();
    state.invisible = !m_control->isVisible();
    return state;
}

void *SegmentAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QStringList SegmentAccessible::actionNames() const
{
    if (!isValid() || !m_control->isEnabled())
        return {};
    return {pressAction()};
}

void SegmentAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction() && isValid() && m_control->isEnabled())
        m_control->choose(m_index);
}

QStringList SegmentAccessible::keyBindingsForAction(const QString &) const
{
    return {};
}
