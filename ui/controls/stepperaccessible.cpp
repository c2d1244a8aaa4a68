#include "controls/stepperaccessible.h"

#include "controls/stepper.h"

#include <limits>

StepperAccessible::StepperAccessible(Stepper *stepper)
    : QAccessibleWidget(stepper, QAccessible::SpinBox)
{
}

Stepper *StepperAccessible::stepper() const
{
    return static_cast<Stepper *>(widget());
}

QAccessible::Role StepperAccessible::role() const
{
    return QAccessible::SpinBox;
}

QString StepperAccessible::text(QAccessible::Text text) const
{
    if (text == QAccessible::Value)
        return QString::number(stepper()->value());
    const QString own = QAccessibleWidget::text(text);
    if (text == QAccessible::Name && own.isEmpty()) {
        // The caption without its value: "Padding: 2" is named "Padding".
        QString name = stepper()->m_prefix.trimmed();
        if (name.endsWith(u':'))
            name.chop(1);
        return name;
    }
    return own;
}

void *StepperAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant StepperAccessible::currentValue() const
{
    return stepper()->value();
}

void StepperAccessible::setCurrentValue(const QVariant &value)
{
    bool ok = false;
    const qint64 wanted = value.toLongLong(&ok);
    if (!ok || !stepper()->isEnabled())
        return;
    const qint64 bounded =
        qBound(qint64(stepper()->minimum()), wanted, qint64(stepper()->maximum()));
    const qint64 delta = bounded - stepper()->value();
    stepper()->step(int(qBound(qint64(std::numeric_limits<int>::min()), delta,
                               qint64(std::numeric_limits<int>::max()))));
}

QVariant StepperAccessible::maximumValue() const
{
    return stepper()->maximum();
}

QVariant StepperAccessible::minimumValue() const
{
    return stepper()->minimum();
}

QVariant StepperAccessible::minimumStepSize() const
{
    return 1;
}

QStringList StepperAccessible::actionNames() const
{
    if (!stepper()->isEnabled())
        return {};
    return {increaseAction(), decreaseAction(), setFocusAction()};
}

void StepperAccessible::doAction(const QString &actionName)
{
    if (!stepper()->isEnabled())
        return;
    if (actionName == increaseAction())
        stepper()->step(+1);
    else if (actionName == decreaseAction())
        stepper()->step(-1);
    else
        QAccessibleWidget::doAction(actionName);
}
