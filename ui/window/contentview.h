#pragma once

#include <QWidget>

class FileListBar;
class LeftAlignedFileListView;
class ModernFileDropZone;
class QSplitter;
class QStackedWidget;
class QToolButton;
class RenameCommands;
class RenameEngine;
class SortActions;
class WindowPresenter;
class WorkflowPanel;

// The main window's content: the workflow panel on the left; on the right the Rename and
// Undo commands above the file area and the file list bar below it. It lays the parts
// out; each part follows the engine on its own and presents through one presenter.
class ContentView : public QWidget {
    Q_OBJECT

public:
    explicit ContentView(RenameEngine *engine, QWidget *parent = nullptr);

    // The commands that act on disk; the application may also place them in menus.
    RenameCommands *renameCommands() const { return m_commands; }
    // The commands that order the file list, for the menu bar.
    SortActions *sortActions() const;

    void toggleSidebar();
    bool isSidebarCollapsed() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildDetail();
    QWidget *buildCommandBar();
    void followFiles();
    void followSidebarWidth();
    void updateTabOrder();

    RenameEngine *m_engine;
    WindowPresenter *m_presenter = nullptr;
    RenameCommands *m_commands = nullptr;
    QSplitter *m_splitter = nullptr;
    WorkflowPanel *m_workflowPanel = nullptr;
    int m_sidebarWidth = 320;
    QToolButton *m_showSidebarButton = nullptr;
    QToolButton *m_undoButton = nullptr;
    QToolButton *m_undoHistoryButton = nullptr;
    QToolButton *m_renameButton = nullptr;
    QStackedWidget *m_fileStack = nullptr;
    ModernFileDropZone *m_dropZone = nullptr;
    LeftAlignedFileListView *m_fileList = nullptr;
    FileListBar *m_fileListBar = nullptr;
    bool m_shownBefore = false;
};
