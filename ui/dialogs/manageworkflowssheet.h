#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <optional>

class QVBoxLayout;
class RenameEngine;
class SheetHeader;
class WorkflowRow;

// Lists the saved workflows; each can be renamed in place or deleted. Window-modal over
// the main window; "Done" or Escape closes it and drops a rename in progress.
class ManageWorkflowsSheet : public QDialog {
    Q_OBJECT

public:
    explicit ManageWorkflowsSheet(RenameEngine *engine, QWidget *parent = nullptr);

    SheetHeader *header() const { return m_header; }
    QList<WorkflowRow *> rows() const;
    std::optional<QString> editingWorkflow() const { return m_editingWorkflow; }
    QString newName() const { return m_newName; }

    void startRename(const QString &name);
    void commitRename();
    void cancelRename();
    void deleteWorkflow(const QString &name);

private:
    void rebuildRows();

    RenameEngine *m_engine;
    SheetHeader *m_header;
    QWidget *m_rowsWidget;
    QVBoxLayout *m_rowsLayout;
    std::optional<QString> m_editingWorkflow;
    QString m_newName;
    QElapsedTimer m_lastDeleteClick;
};
