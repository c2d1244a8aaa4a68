#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class Stepper;

// The stepper as assistive tools see it: a spin box named by its caption, with its value
// and range, stepped by the increase and decrease actions or by setting a value.
class StepperAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit StepperAccessible(Stepper *stepper);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text text) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    // Steps to the value within the range, as the user's edit.
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    Stepper *stepper() const;
};
