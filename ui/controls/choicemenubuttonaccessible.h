#pragma once

#include <QAccessibleWidget>

class ChoiceMenuButton;

// The choice menu as assistive tools see it: a combo box named by its caption whose value
// is the current choice; its press action opens the menu of choices.
class ChoiceMenuButtonAccessible : public QAccessibleWidget {
public:
    explicit ChoiceMenuButtonAccessible(ChoiceMenuButton *button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text text) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    ChoiceMenuButton *button() const;
};
