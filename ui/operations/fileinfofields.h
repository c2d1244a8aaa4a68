#pragma once

#include <QCoreApplication>
#include <QList>
#include <QWidget>

class QVBoxLayout;
class StepFieldBinder;
struct RenameOperationWrapper;

// The file-info step's page of the parameter editor: which information goes into the name,
// its date format with a presets menu and today's date as a sample, where it goes, the
// separator, and what happens when a file lacks it. Its texts are the editor's and are
// translated as the editor's own, so it declares the editor's translation context instead
// of a meta-object of its own.
class FileInfoFields : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(OperationParametersEditor)

public:
    explicit FileInfoFields(StepFieldBinder *fields, QWidget *parent = nullptr);

    // Shows the rows that the chosen information and placement call for.
    void showRowsFor(const RenameOperationWrapper &operation);

private:
    // The date format field with its presets menu beside it and today's date in that format
    // below it.
    QWidget *addDateFormatField(QVBoxLayout *layout);

    StepFieldBinder *m_fields;
    QList<QWidget *> m_dateFormatRow;
    QList<QWidget *> m_separatorRow;
    QList<QWidget *> m_whenMissingRow;
};
