#include "controls/toggleswitchaccessible.h"

#include "controls/toggleswitch.h"

ToggleSwitchAccessible::ToggleSwitchAccessible(ToggleSwitch *toggle)
    : QAccessibleWidget(toggle, QAccessible::CheckBox)
{
}

ToggleSwitch *ToggleSwitchAccessible::toggle() const
{
    return static_cast<ToggleSwitch *>(widget());
}

QAccessible::Role ToggleSwitchAccessible::role() const
{
    return QAccessible::CheckBox;
}

QAccessible::State ToggleSwitchAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = toggle()->isChecked();
    state.pressed = toggle()->isDown();
    return state;
}

QString ToggleSwitchAccessible::text(QAccessible::Text text) const
{
    const QString own = QAccessibleWidget::text(text);
    if (text == QAccessible::Name && own.isEmpty())
        return toggle()->text();
    return own;
}

QStringList ToggleSwitchAccessible::actionNames() const
{
    if (!toggle()->isEnabled())
        return {};
    return {toggleAction(), pressAction()};
}

void ToggleSwitchAccessible::doAction(const QString &actionName)
{
    if (!toggle()->isEnabled())
        return;
    // A click, so the change reaches the program as the user's own.
    if (actionName == toggleAction() || actionName == pressAction())
        toggle()->click();
    else
        QAccessibleWidget::doAction(actionName);
}
