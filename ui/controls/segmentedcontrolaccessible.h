#pragma once

#include <QAccessibleWidget>
#include <QList>

class SegmentedControl;

// The segmented control as assistive tools see it: a group named by its caption, holding
// one radio button per option, the chosen one checked and, while the control has the
// keyboard, focused.
class SegmentedControlAccessible : public QAccessibleWidget {
public:
    explicit SegmentedControlAccessible(SegmentedControl *control);
    ~SegmentedControlAccessible() override;

    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    // Tells assistive tools which option is now chosen.
    static void announceChoice(SegmentedControl *control);

private:
    SegmentedControl *control() const;

    QList<QAccessible::Id> m_segments;
};
