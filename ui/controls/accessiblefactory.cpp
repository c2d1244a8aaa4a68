#include "controls/accessiblefactory.h"

#include "controls/badgeaccessible.h"
#include "controls/choicemenubutton.h"
#include "controls/choicemenubuttonaccessible.h"
#include "controls/numberbadge.h"
#include "controls/segmentedcontrol.h"
#include "controls/segmentedcontrolaccessible.h"
#include "controls/statusbadge.h"
#include "controls/stepper.h"
#include "controls/stepperaccessible.h"
#include "controls/toggleswitch.h"
#include "controls/toggleswitchaccessible.h"

#include <QAccessible>

void AccessibleFactory::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleFactory::create);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface *AccessibleFactory::create(const QString &className, QObject *object)
{
    // Qt asks once per object, so the change announcements below are connected once. They
    // exist only for objects an assistive tool has looked at.
    if (className == QLatin1String("ToggleSwitch")) {
        if (auto *toggle = qobject_cast<ToggleSwitch *>(object))
            return new ToggleSwitchAccessible(toggle);
    } else if (className == QLatin1String("Stepper")) {
        if (auto *stepper = qobject_cast<Stepper *>(object)) {
            QObject::connect(stepper, &Stepper::currentValueChanged, stepper, [stepper](int value) {
                QAccessibleValueChangeEvent event(stepper, value);
                QAccessible::updateAccessibility(&event);
            });
            return new StepperAccessible(stepper);
        }
    } else if (className == QLatin1String("SegmentedControl")) {
        if (auto *control = qobject_cast<SegmentedControl *>(object)) {
            QObject::connect(control, &SegmentedControl::currentIndexChanged, control,
                             [control] { SegmentedControlAccessible::announceChoice(control); });
            return new SegmentedControlAccessible(control);
        }
    } else if (className == QLatin1String("ChoiceMenuButton")) {
        if (auto *button = qobject_cast<ChoiceMenuButton *>(object)) {
            QObject::connect(button, &ChoiceMenuButton::currentIndexChanged, button, [button] {
                QAccessibleEvent renamed(button, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&renamed);
                QAccessibleValueChangeEvent event(button, button->currentText());
                QAccessible::updateAccessibility(&event);
            });
            return new ChoiceMenuButtonAccessible(button);
        }
    } else if (className == QLatin1String("StatusBadge") ||
               className == QLatin1String("NumberBadge")) {
        if (auto *badge = qobject_cast<QWidget *>(object))
            return new BadgeAccessible(badge);
    }
    return nullptr;
}
