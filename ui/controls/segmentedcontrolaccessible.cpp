#include "controls/segmentedcontrolaccessible.h"

#include "controls/segmentaccessible.h"
#include "controls/segmentedcontrol.h"

SegmentedControlAccessible::SegmentedControlAccessible(SegmentedControl *control)
    : QAccessibleWidget(control, QAccessible::Grouping)
{
    // The options are fixed for the control's life, and so are their interfaces.
    for (int i = 0; i < control->titles().size(); ++i)
        m_segments.append(
            QAccessible::registerAccessibleInterface(new SegmentAccessible(control, i)));
}

SegmentedControlAccessible::~SegmentedControlAccessible()
{
    for (QAccessible::Id id : std::as_const(m_segments))
        QAccessible::deleteAccessibleInterface(id);
}

SegmentedControl *SegmentedControlAccessible::control() const
{
    return static_cast<SegmentedControl *>(widget());
}

QAccessible::Role SegmentedControlAccessible::role() const
{
    return QAccessible::Grouping;
}

int SegmentedControlAccessible::childCount() const
{
    return int(m_segments.size());
}

QAccessibleInterface *SegmentedControlAccessible::child(int index) const
{
    if (index < 0 || index >= m_segments.size())
        return nullptr;
    return QAccessible::accessibleInterface(m_segments.at(index));
}

int SegmentedControlAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (int i = 0; i < m_segments.size(); ++i) {
        if (QAccessible::accessibleInterface(m_segments.at(i)) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface *SegmentedControlAccessible::childAt(int x, int y) const
{
    for (int i = 0; i < m_segments.size(); ++i) {
        QAccessibleInterface *segment = child(i);
        if (segment && segment->rect().contains(x, y))
            return segment;
    }
    return nullptr;
}

QAccessibleInterface *SegmentedControlAccessible::focusChild() const
{
    return control()->hasFocus() ? child(control()->currentIndex()) : nullptr;
}

void SegmentedControlAccessible::announceChoice(SegmentedControl *control)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *group = QAccessible::queryAccessibleInterface(control);
    if (!group)
        return;
    QAccessible::State checked;
    checked.checked = true;
    for (int i = 0; i < group->childCount(); ++i) {
        QAccessibleStateChangeEvent event(group->child(i), checked);
        QAccessible::updateAccessibility(&event);
    }
    if (control->hasFocus()) {
        if (QAccessibleInterface *chosen = group->child(control->currentIndex())) {
            QAccessibleEvent focus(chosen, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
    }
}
