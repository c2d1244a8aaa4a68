#pragma once

#include "controls/choicemenubutton.h"
#include "controls/segmentedcontrol.h"
#include "names/renameoperationwrapper.h"
#include "operations/optiontexts.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QVBoxLayout>

#include <functional>
#include <vector>

class QAbstractItemModel;
class QLineEdit;
class ToggleSwitch;
class WholeNumberField;

// Makes the controls of one step's fields, over one row of an OperationStackModel, and ties
// each to its field: an edit in a control writes the step with that field changed back to
// the row, and `show` puts the step's values into every control. A control is named after
// its field and its caption after the field followed by "Label", which is how the editor
// pairs them for screen readers.
class StepFieldBinder : public QObject {
    Q_OBJECT

public:
    using Shower = std::function<void(const RenameOperationWrapper &)>;

    StepFieldBinder(QAbstractItemModel *model, int row, QObject *parent = nullptr);

    // False once the step's row is gone.
    bool isValid() const { return m_step.isValid(); }
    RenameOperationWrapper operation() const;
    // What the row holds beside the step, such as why its pattern cannot be used.
    QVariant data(int role) const { return m_step.data(role); }
    // Applies one change to the step; writes it only when it changed.
    void edit(const std::function<void(RenameOperationWrapper &)> &change);
    // Like edit, but writes even when the step stays the same: choosing the item already
    // chosen in a menu still counts as a change, and the preview runs for it.
    void choose(const std::function<void(RenameOperationWrapper &)> &change);

    // Adds something that shows a field, for a control made elsewhere.
    void addShower(Shower shower) { m_showers.push_back(std::move(shower)); }
    // Shows the step's values in every control. A field being typed in that already shows
    // the value is left alone, so the cursor stays where it is.
    void show(const RenameOperationWrapper &operation) const;

    QWidget *addLabel(QVBoxLayout *layout, const QString &text, const QString &field);
    QLineEdit *addTextField(QVBoxLayout *layout, const QString &placeholder, const QString &field,
                            QString RenameOperationWrapper::*member);
    // An emptied number field keeps its value; the field shows that value in grey.
    WholeNumberField *addNumberField(QVBoxLayout *layout, const QString &field,
                                     qint64 RenameOperationWrapper::*member);
    ToggleSwitch *addSwitch(QVBoxLayout *layout, const QString &title, const QString &field,
                            bool RenameOperationWrapper::*member);
    template <typename Enum>
    SegmentedControl *addSegments(QVBoxLayout *layout, const QString &field,
                                  Enum RenameOperationWrapper::*member);
    template <typename Enum>
    ChoiceMenuButton *addChoiceMenu(QVBoxLayout *layout, const QString &field,
                                    Enum RenameOperationWrapper::*member);

private:
    using Write = void (StepFieldBinder::*)(const std::function<void(RenameOperationWrapper &)> &);
    // One of the step's cases a control offers by title, written back with `write`.
    template <typename Control, typename Enum>
    Control *addChoices(QVBoxLayout *layout, const QString &field,
                        Enum RenameOperationWrapper::*member, Write write);

    QAbstractItemModel *m_model;
    QPersistentModelIndex m_step;
    std::vector<Shower> m_showers;
};

template <typename Enum>
SegmentedControl *StepFieldBinder::addSegments(QVBoxLayout *layout, const QString &field,
                                               Enum RenameOperationWrapper::*member)
{
    return addChoices<SegmentedControl>(layout, field, member, &StepFieldBinder::edit);
}

template <typename Enum>
ChoiceMenuButton *StepFieldBinder::addChoiceMenu(QVBoxLayout *layout, const QString &field,
                                                 Enum RenameOperationWrapper::*member)
{
    return addChoices<ChoiceMenuButton>(layout, field, member, &StepFieldBinder::choose);
}

template <typename Control, typename Enum>
Control *StepFieldBinder::addChoices(QVBoxLayout *layout, const QString &field,
                                     Enum RenameOperationWrapper::*member, Write write)
{
    auto *control = new Control(OptionTexts::titles<Enum>());
    control->setObjectName(field);
    layout->addWidget(control);
    connect(control, &Control::activated, this, [this, member, write](int index) {
        const Enum value = EnumCases<Enum>::all.at(size_t(index));
        (this->*write)(
            [member, value](RenameOperationWrapper &operation) { operation.*member = value; });
    });
    addShower([control, member](const RenameOperationWrapper &operation) {
        control->setCurrentIndex(OptionTexts::indexOf(operation.*member));
    });
    return control;
}
