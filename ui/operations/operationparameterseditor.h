#pragma once

#include "names/renameenums.h"
#include "names/renameoperationwrapper.h"

#include <QHash>
#include <QPersistentModelIndex>
#include <QWidget>

#include <functional>

class ChoiceMenuButton;
class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class SegmentedControl;
class Stepper;
class ToggleSwitch;
class WholeNumberField;

// The controls of one operation's current mode, over one row of an OperationStackModel.
// Every control writes the step with its field changed back to the row, and the model runs
// the preview, so the preview follows every keystroke. The editor keeps no values of its
// own: `refresh` shows what the row holds.
class OperationParametersEditor : public QWidget {
    Q_OBJECT

public:
    OperationParametersEditor(QAbstractItemModel *model, int row, QWidget *parent = nullptr);

    // Shows the record's current values and the rows of its mode. A field being typed in
    // that already shows the value is left alone, so the cursor stays where it is.
    void refresh();
    // Outlines the pattern or replacement field in red, with the reason in words below it,
    // while the step leaves every name as it is; the preview decides that, so this follows
    // each preview.
    void showPatternProblem();

    // Display titles of the options, in the order of the cases.
    static QString title(ReplaceOccurrence value);
    static QString title(TrimType value);
    static QString title(TrimPosition value);
    static QString title(SequenceLocation value);
    static QString title(CaseType value);
    static QString title(FileInfoField value);
    static QString title(InfoPlacement value);
    static QString title(MissingInfo value);

    // The date formats offered in the file-info step's presets menu, as ICU patterns.
    static const QStringList &datePresets();

    static constexpr int paddingMinimum = 1;
    static constexpr int paddingMaximum = 6;

private:
    RenameOperationWrapper operation() const;
    // Applies one change to the step; writes it only when it changed.
    void edit(const std::function<void(RenameOperationWrapper &)> &change);
    // Like edit, but writes even when the step stays the same: choosing the item already
    // chosen in a menu still counts as a change, and the preview runs for it.
    void choose(const std::function<void(RenameOperationWrapper &)> &change);
    void showRowsFor(const RenameOperationWrapper &operation);

    QWidget *addPage(RenameMode mode);
    QWidget *addLabel(QVBoxLayout *layout, const QString &text, const QString &field);
    // Red text below a field of `layout`, hidden while it has nothing to say.
    QLabel *addProblemLabel(QVBoxLayout *layout, QLineEdit *field, const QString &name);
    QLineEdit *addTextField(QVBoxLayout *layout, const QString &placeholder, const QString &field,
                            QString RenameOperationWrapper::*member);
    // An emptied number field keeps its value; the field shows that value in grey.
    WholeNumberField *addNumberField(QVBoxLayout *layout, const QString &field,
                                     qint64 RenameOperationWrapper::*member);
    ToggleSwitch *addSwitch(QVBoxLayout *layout, const QString &title, const QString &field,
                            bool RenameOperationWrapper::*member);
    // The date format field with its presets menu beside it and today's date in that format
    // below it.
    QWidget *addDateFormatField(QVBoxLayout *layout);
    template <typename Enum>
    SegmentedControl *addSegments(QVBoxLayout *layout, const QString &field,
                                  Enum RenameOperationWrapper::*member);
    template <typename Enum>
    ChoiceMenuButton *addChoiceMenu(QVBoxLayout *layout, const QString &field,
                                    Enum RenameOperationWrapper::*member);

    QAbstractItemModel *m_model;
    QPersistentModelIndex m_step;
    QHash<RenameMode, QWidget *> m_pages;
    // Everything that shows a field, refreshed from the record.
    std::vector<std::function<void(const RenameOperationWrapper &)>> m_showers;
    QList<QWidget *> m_trimCountRow;
    QList<QWidget *> m_customCharactersRow;
    QList<QWidget *> m_baseNameRow;
    QList<QWidget *> m_dateFormatRow;
    QList<QWidget *> m_separatorRow;
    QList<QWidget *> m_whenMissingRow;
    QLineEdit *m_patternField = nullptr;
    QLineEdit *m_replacementField = nullptr;
    QLabel *m_patternProblem = nullptr;
    QLabel *m_replacementProblem = nullptr;
};
