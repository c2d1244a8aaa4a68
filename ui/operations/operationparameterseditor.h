#pragma once

#include "operations/operationbinding.h"
#include "renameenums.h"

#include <QHash>
#include <QWidget>

#include <functional>

class ChoiceMenuButton;
class QLineEdit;
class QVBoxLayout;
class SegmentedControl;
class Stepper;
class ToggleSwitch;
class WholeNumberField;

// The controls of one operation's current mode. Every control writes its field straight
// into the bound record and then calls the change callback, so the preview follows every
// keystroke. The editor keeps no values of its own: `refresh` shows what the record holds.
class OperationParametersEditor : public QWidget {
    Q_OBJECT

public:
    OperationParametersEditor(OperationBinding binding, std::function<void()> onChange,
                              QWidget *parent = nullptr);

    void setBinding(OperationBinding binding);
    // Shows the record's current values and the rows of its mode. A field being typed in
    // that already shows the value is left alone, so the cursor stays where it is.
    void refresh();
    // Outlines the pattern field in red, with the reason as its tooltip, while the pattern
    // leaves every name as it is; the preview decides that, so this follows each preview.
    void showPatternProblem();

    // Display titles of the options, in the order of the cases.
    static QString title(ReplaceOccurrence value);
    static QString title(TrimType value);
    static QString title(TrimPosition value);
    static QString title(SequenceLocation value);
    static QString title(CaseType value);

    static constexpr int paddingMinimum = 1;
    static constexpr int paddingMaximum = 6;

private:
    // Applies one change to the record; writes it and calls back only when it changed.
    void edit(const std::function<void(RenameOperationWrapper &)> &change);
    // Like edit, but calls back even when the record stays the same: choosing the item
    // already chosen in a menu still counts as a change.
    void choose(const std::function<void(RenameOperationWrapper &)> &change);
    void showRowsFor(const RenameOperationWrapper &operation);

    QWidget *addPage(RenameMode mode);
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

    OperationBinding m_binding;
    std::function<void()> m_onChange;
    QHash<RenameMode, QWidget *> m_pages;
    // Everything that shows a field, refreshed from the record.
    std::vector<std::function<void(const RenameOperationWrapper &)>> m_showers;
    QList<QWidget *> m_trimCountRow;
    QList<QWidget *> m_customCharactersRow;
    QList<QWidget *> m_baseNameRow;
    QLineEdit *m_patternField = nullptr;
};
