#include "controls/choicemenubuttonaccessible.h"

#include "controls/choicemenubutton.h"

#include <QMenu>

ChoiceMenuButtonAccessible::ChoiceMenuButtonAccessible(ChoiceMenuButton *button)
    : QAccessibleWidget(button, QAccessible::ComboBox)
{
}

ChoiceMenuButton *ChoiceMenuButtonAccessible::button() const
{
    return static_cast<ChoiceMenuButton *>(widget());
}

QAccessible::Role ChoiceMenuButtonAccessible::role() const
{
    return QAccessible::ComboBox;
}

QAccessible::State ChoiceMenuButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = true;
    state.expandable = true;
    state.expanded = button()->menu()->isVisible();
    state.collapsed = !state.expanded;
    return state;
}

QString ChoiceMenuButtonAccessible::text(QAccessible::Text text) const
{
    switch (text) {
    case QAccessible::Name:
    case QAccessible::Value:
        return button()->currentText();
    case QAccessible::Description: {
        // The caption, for tools that do not follow the label relation.
        const QString own = QAccessibleWidget::text(text);
        return own.isEmpty() ? button()->accessibleName() : own;
    }
    default:
        return QAccessibleWidget::text(text);
    }
}

QWidget *ChoiceMenuButtonAccessible::caption() const
{
    const QString name = button()->accessibleName();
    if (name.isEmpty() || !button()->parentWidget())
        return nullptr;
    const QList<QWidget *> siblings =
        button()->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *sibling : siblings) {
        if (sibling != button() && sibling->focusPolicy() == Qt::NoFocus &&
            sibling->accessibleName() == name)
            return sibling;
    }
    return nullptr;
}

QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
ChoiceMenuButtonAccessible::relations(QAccessible::Relation match) const
{
    auto related = QAccessibleWidget::relations(match);
    if (match & QAccessible::Label) {
        if (QWidget *label = caption())
            related.append({QAccessible::queryAccessibleInterface(label), QAccessible::Label});
    }
    return related;
}

QStringList ChoiceMenuButtonAccessible::actionNames() const
{
    if (!button()->isEnabled())
        return {};
    return {showMenuAction(), pressAction(), setFocusAction()};
}

void ChoiceMenuButtonAccessible::doAction(const QString &actionName)
{
    if (!button()->isEnabled())
        return;
    if (actionName == showMenuAction() || actionName == pressAction())
        button()->click();
    else
        QAccessibleWidget::doAction(actionName);
}
