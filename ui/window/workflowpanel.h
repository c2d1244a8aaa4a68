#pragma once

#include <QWidget>

class OperationStackView;
class QMenu;
class QPushButton;
class QToolButton;
class RenameEngine;
class WindowPresenter;

// The window's left column: the workflow header with Save and Load, the operation stack
// and the Add Operation button. Saving asks for a name and, when the name is taken,
// whether to overwrite; loading replaces the stack with a saved or a built-in workflow.
class WorkflowPanel : public QWidget {
    Q_OBJECT

public:
    WorkflowPanel(RenameEngine *engine, WindowPresenter *presenter, QWidget *parent = nullptr);

    OperationStackView *operationStack() const { return m_operationStack; }
    // The controls Tab visits, in screen order: the cards from the top down, then the
    // commands of the column.
    QList<QWidget *> tabStops() const;

private:
    QWidget *buildHeader();
    void addOperationAndFocusIt();
    void rebuildLoadMenu();
    void askForWorkflowName();
    void saveUnderName(const QString &name);
    void askToOverwrite(const QString &name);
    void saveAndReport(const QString &name);

    RenameEngine *m_engine;
    WindowPresenter *m_presenter;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_loadButton = nullptr;
    QMenu *m_loadMenu = nullptr;
    QMenu *m_systemWorkflowsMenu = nullptr;
    OperationStackView *m_operationStack = nullptr;
    QPushButton *m_addOperationButton = nullptr;
};
