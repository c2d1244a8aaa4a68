#pragma once

#include "dialogs/alertdialog.h"
#include "dialogs/errordetailssheet.h"
#include "dialogs/manageworkflowssheet.h"

#include <QPointer>
#include <QWidget>

class LeftAlignedFileListView;
class MinimalistButton;
class ModernFileDropZone;
class OperationStackView;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;
class RenameEngine;
class StatusBadge;
class SuccessOverlay;

// The main window's content: the operation stack with the workflow commands on the left,
// the file area with its bottom bar on the right, the Rename and Undo commands above the
// files, and every alert and sheet of the window. It holds presentation state only; every
// control ends in one engine operation.
class ContentView : public QWidget {
    Q_OBJECT

public:
    // How long the success notice stays before it leaves.
    static constexpr int successMilliseconds = 2500;
    // Batches and undos that take longer than this show their progress.
    static constexpr int progressDelayMilliseconds = 500;

    explicit ContentView(RenameEngine *engine, QWidget *parent = nullptr);
    ~ContentView() override;

    RenameEngine *engine() const { return m_engine; }
    // A batch or an undo is running; the window takes no other command meanwhile.
    bool isBusy() const { return m_busy; }

    // The two commands that act on disk; the application may also place them in menus.
    QAction *renameAction() const { return m_renameAction; }
    QAction *undoAction() const { return m_undoAction; }
    QMenu *undoHistoryMenu() const { return m_undoMenu; }
    QMenu *loadMenu() const { return m_loadMenu; }
    QToolButton *saveWorkflowButton() const { return m_saveButton; }
    QToolButton *loadWorkflowButton() const { return m_loadButton; }
    QPushButton *addOperationButton() const { return m_addOperationButton; }
    MinimalistButton *addButton() const { return m_addButton; }
    MinimalistButton *removeButton() const { return m_removeButton; }
    MinimalistButton *clearButton() const { return m_clearButton; }
    MinimalistButton *deselectAllButton() const { return m_deselectButton; }
    QFrame *deselectDivider() const { return m_deselectDivider; }
    QLabel *fileCountLabel() const { return m_fileCount; }
    QPushButton *problemBadgesButton() const { return m_problemButton; }
    StatusBadge *conflictBadge() const { return m_conflictBadge; }
    StatusBadge *errorBadge() const { return m_errorBadge; }
    QWidget *fileArea() const;
    OperationStackView *operationStack() const { return m_operationStack; }
    QSplitter *splitter() const { return m_splitter; }

    // The alert or sheet that is up, if any.
    AlertDialog *currentAlert() const { return m_alert; }
    ErrorDetailsSheet *errorDetailsSheet() const { return m_errorSheet; }
    ManageWorkflowsSheet *manageWorkflowsSheet() const { return m_manageSheet; }

    QString workflowName() const { return m_workflowName; }
    QString successMessage() const { return m_successMessage; }
    bool showSuccessOverlay() const { return m_showSuccessOverlay; }
    SuccessOverlay *successOverlay() const { return m_overlay; }

    // Commands, as the controls run them.
    void rename();
    void performAndReport();
    void undoLast();
    void undoFromHistory(qsizetype index);
    void showSuccess(const QString &message);
    void showClearConfirmation();
    void showSaveWorkflow();
    void showErrorDetails();
    void showManageWorkflows();
    void toggleSidebar();
    bool isSidebarCollapsed() const;
    QToolButton *showSidebarButton() const { return m_showSidebarButton; }

Q_SIGNALS:
    // The window should take no other command while this is true.
    void busyChanged(bool busy);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildSidebar();
    QWidget *buildDetail();
    QWidget *buildHeaderBar();
    QWidget *buildBottomBar();
    void rebuildLoadMenu();
    void rebuildUndoMenu();
    void refreshFiles();
    void refreshSelection();
    void refreshCommands();
    void refreshSidebarHandle();
    void updateTabOrder();
    void openUndoHistory();
    void presentAlert(AlertDialog *alert);
    void reactivateWindowWhenClosed(QDialog *dialog);
    void reactivateWindow();
    void saveFlow(const QString &name);
    void overwriteFlow();
    template <typename Work> auto withProgress(const QString &label, Work work);

    RenameEngine *m_engine;
    QSplitter *m_splitter = nullptr;
    QWidget *m_sidebar = nullptr;
    int m_sidebarWidth = 320;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_loadButton = nullptr;
    QMenu *m_loadMenu = nullptr;
    QMenu *m_systemWorkflowsMenu = nullptr;
    OperationStackView *m_operationStack = nullptr;
    QPushButton *m_addOperationButton = nullptr;

    QWidget *m_detail = nullptr;
    QAction *m_renameAction = nullptr;
    QAction *m_undoAction = nullptr;
    QMenu *m_undoMenu = nullptr;
    QToolButton *m_renameButton = nullptr;
    QToolButton *m_undoButton = nullptr;
    QToolButton *m_showSidebarButton = nullptr;
    QStackedWidget *m_fileStack = nullptr;
    ModernFileDropZone *m_dropZone = nullptr;
    LeftAlignedFileListView *m_fileList = nullptr;

    MinimalistButton *m_addButton = nullptr;
    MinimalistButton *m_removeButton = nullptr;
    MinimalistButton *m_clearButton = nullptr;
    MinimalistButton *m_deselectButton = nullptr;
    QFrame *m_deselectDivider = nullptr;
    QLabel *m_fileCount = nullptr;
    QPushButton *m_problemButton = nullptr;
    StatusBadge *m_conflictBadge = nullptr;
    StatusBadge *m_errorBadge = nullptr;
    SuccessOverlay *m_overlay = nullptr;

    QPointer<AlertDialog> m_alert;
    QPointer<ErrorDetailsSheet> m_errorSheet;
    QPointer<ManageWorkflowsSheet> m_manageSheet;
    QString m_workflowName;
    QString m_successMessage;
    bool m_showSuccessOverlay = false;
    bool m_busy = false;
    bool m_shownBefore = false;
};
