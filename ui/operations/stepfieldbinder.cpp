#include "operations/stepfieldbinder.h"

#include "controls/spacemarkinglineedit.h"
#include "controls/toggleswitch.h"
#include "controls/wholenumberfield.h"
#include "operations/operationstackmodel.h"
#include "operations/optionlabel.h"
#include "style/roundedtextfieldstyle.h"

#include <QLineEdit>
#include <QSignalBlocker>

StepFieldBinder::StepFieldBinder(QAbstractItemModel *model, int row, QObject *parent)
    : QObject(parent), m_model(model), m_step(model->index(row, 0))
{
}

RenameOperationWrapper StepFieldBinder::operation() const
{
    return m_step.data(OperationStackModel::OperationRole).value<RenameOperationWrapper>();
}

void StepFieldBinder::edit(const std::function<void(RenameOperationWrapper &)> &change)
{
    if (!m_step.isValid())
        return;
    RenameOperationWrapper operation = this->operation();
    const RenameOperationWrapper before = operation;
    change(operation);
    if (operation != before)
        m_model->setData(m_step, QVariant::fromValue(operation),
                         OperationStackModel::OperationRole);
}

void StepFieldBinder::choose(const std::function<void(RenameOperationWrapper &)> &change)
{
    if (!m_step.isValid())
        return;
    RenameOperationWrapper operation = this->operation();
    change(operation);
    m_model->setData(m_step, QVariant::fromValue(operation), OperationStackModel::OperationRole);
}

void StepFieldBinder::show(const RenameOperationWrapper &operation) const
{
    for (const auto &show : m_showers)
        show(operation);
}

QWidget *StepFieldBinder::addLabel(QVBoxLayout *layout, const QString &text, const QString &field)
{
    auto *label = new OptionLabel(text);
    label->setObjectName(field + QStringLiteral("Label"));
    layout->addWidget(label);
    return label;
}

QLineEdit *StepFieldBinder::addTextField(QVBoxLayout *layout, const QString &placeholder,
                                         const QString &field,
                                         QString RenameOperationWrapper::*member)
{
    auto *lineEdit = new SpaceMarkingLineEdit;
    lineEdit->setObjectName(field);
    lineEdit->setPlaceholderText(placeholder);
    RoundedTextFieldStyle::apply(lineEdit);
    layout->addWidget(lineEdit);
    connect(lineEdit, &QLineEdit::textEdited, this, [this, member](const QString &text) {
        edit([member, &text](RenameOperationWrapper &operation) { operation.*member = text; });
    });
    addShower([lineEdit, member](const RenameOperationWrapper &operation) {
        if (lineEdit->text() != operation.*member)
            lineEdit->setText(operation.*member);
    });
    return lineEdit;
}

WholeNumberField *StepFieldBinder::addNumberField(QVBoxLayout *layout, const QString &field,
                                                  qint64 RenameOperationWrapper::*member)
{
    auto *numberField = new WholeNumberField;
    numberField->setObjectName(field);
    RoundedTextFieldStyle::apply(numberField);
    layout->addWidget(numberField);
    connect(numberField, &WholeNumberField::valueEdited, this, [this, member](qint64 value) {
        edit([member, value](RenameOperationWrapper &operation) { operation.*member = value; });
    });
    addShower([numberField, member](const RenameOperationWrapper &operation) {
        numberField->setValue(operation.*member);
    });
    return numberField;
}

ToggleSwitch *StepFieldBinder::addSwitch(QVBoxLayout *layout, const QString &title,
                                         const QString &field, bool RenameOperationWrapper::*member)
{
    auto *toggle = new ToggleSwitch(title);
    toggle->setObjectName(field);
    layout->addWidget(toggle);
    connect(toggle, &ToggleSwitch::toggled, this, [this, member](bool on) {
        edit([member, on](RenameOperationWrapper &operation) { operation.*member = on; });
    });
    addShower([toggle, member](const RenameOperationWrapper &operation) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(operation.*member);
    });
    return toggle;
}
