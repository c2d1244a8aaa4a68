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
    if (text == QAccessible::Value)
        return button()->currentText();
    // Named only by its caption: the current choice is its value, not its name.
    return QAccessibleWidget::text(text);
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
