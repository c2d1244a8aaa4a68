#pragma once

#include "names/renameenums.h"
#include "names/renameoperationwrapper.h"

#include <QHash>
#include <QWidget>

class FileInfoFields;
class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class StepFieldBinder;

// The controls of one operation's current mode, over one row of an OperationStackModel: a
// page per mode, of controls that a StepFieldBinder ties to the step's fields. Every control
// writes the step with its field changed back to the row, and the model runs
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

    // The date formats offered in the file-info step's presets menu, as ICU patterns.
    static const QStringList &datePresets();
    // The layout of a mode's page: its rows top down, a gap between them.
    static QVBoxLayout *makePageLayout(QWidget *page);
    // Shows `text` in `note` below `field`, or hides the note when there is none; a problem
    // also outlines the field in red.
    static void showNote(QLineEdit *field, QLabel *note, const QString &text, bool problem);

    static constexpr int paddingMinimum = 1;
    static constexpr int paddingMaximum = 6;

private:
    // Shows `page` while the step is in `mode`.
    void addPage(RenameMode mode, QWidget *page);
    // Red text below a field of `layout`, hidden while it has nothing to say.
    QLabel *addProblemLabel(QVBoxLayout *layout, QLineEdit *field, const QString &name);
    void showRowsFor(const RenameOperationWrapper &operation);

    StepFieldBinder *m_fields;
    QHash<RenameMode, QWidget *> m_pages;
    FileInfoFields *m_fileInfo = nullptr;
    QList<QWidget *> m_trimCountRow;
    QList<QWidget *> m_customCharactersRow;
    QList<QWidget *> m_baseNameRow;
    QLineEdit *m_patternField = nullptr;
    QLineEdit *m_replacementField = nullptr;
    QLabel *m_patternProblem = nullptr;
    QLabel *m_replacementProblem = nullptr;
};
