#pragma once

#include <QAccessibleWidget>

class ChoiceMenuButton;

// The choice menu as assistive tools see it: a combo box whose name is the current choice,
// labelled by its caption, as the desktop's own combo boxes are; its press action opens the
// menu of choices.
class ChoiceMenuButtonAccessible : public QAccessibleWidget {
public:
    explicit ChoiceMenuButtonAccessible(ChoiceMenuButton *button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text text) const override;
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    ChoiceMenuButton *button() const;
    // The caption beside the menu that carries the menu's accessible name, if any.
    QWidget *caption() const;
};
