#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;
class QProgressDialog;
class QToolButton;
class QWidget;
class RenameEngine;
class WindowPresenter;

// The two commands that act on disk, Rename and Undo, with the history menu of Undo. A
// batch that lasts shows its progress over the window; while one runs, both commands are
// off. The window shows them above the file list; the menu bar may place them too.
class RenameCommands : public QObject {
    Q_OBJECT

public:
    // Batches and undos that take longer than this show their progress.
    static constexpr int progressDelayMilliseconds = 500;

    // `window` is the widget whose window the progress covers and takes the shortcuts.
    RenameCommands(RenameEngine *engine, WindowPresenter *presenter, QWidget *window);
    ~RenameCommands() override;

    QAction *renameAction() const { return m_renameAction; }
    QAction *undoAction() const { return m_undoAction; }
    QMenu *undoHistoryMenu() const { return m_undoMenu; }
    bool isBusy() const { return m_busy; }
    // The control that shows Undo; Alt+Down and the menu key open the history under it.
    void setUndoButton(QToolButton *button);

    // The Rename command: asks first when nothing would change or some files have problems.
    void rename();
    // Renames at once and reports how many files were renamed and how many failed.
    void performAndReport();
    void undoLast();
    void undoFromHistory(qsizetype index);

Q_SIGNALS:
    void busyChanged(bool busy);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using ProgressReport = std::function<void(qsizetype done, qsizetype total)>;
    template <typename Work> auto runShowingProgress(const QString &label, Work work);
    void setBusy(bool busy);
    void followEngine();
    void rebuildUndoMenu();
    void openUndoHistory();

    RenameEngine *m_engine;
    WindowPresenter *m_presenter;
    QWidget *m_window;
    QAction *m_renameAction;
    QAction *m_undoAction;
    QMenu *m_undoMenu;
    QPointer<QToolButton> m_undoButton;
    bool m_busy = false;
};
