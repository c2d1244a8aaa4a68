#pragma once

#include <QAccessibleWidget>

class ToggleSwitch;

// The switch as assistive tools see it: a check box named by its title, checked when on,
// toggled by its press or toggle action.
class ToggleSwitchAccessible : public QAccessibleWidget {
public:
    explicit ToggleSwitchAccessible(ToggleSwitch *toggle);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text text) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    ToggleSwitch *toggle() const;
};
