#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAction;
class QMenu;
class QProgressDialog;
class QToolButton;
class QWidget;
class QWindow;
class RenameEngine;
class RenameJob;
class WindowPresenter;

// The two commands that act on disk, Rename and Undo, with the history menu of Undo. Each
// starts a batch that runs while the window keeps repainting; a batch that lasts shows its
// progress over the window. While one runs both commands are off and the window takes no
// input. The window shows them above the file list; the menu bar may place them too.
class RenameCommands : public QObject {
    Q_OBJECT

public:
    // Batches and undos that take longer than this show their progress.
    static constexpr int progressDelayMilliseconds = 500;
    // How long showing the progress waits, at most, for the window system to expose it.
    static constexpr int exposeWaitMilliseconds = 250;

    // `view` is the widget whose window takes the shortcuts and shows the progress.
    RenameCommands(RenameEngine *engine, WindowPresenter *presenter, QWidget *view);
    ~RenameCommands() override;

    QAction *renameAction() const { return m_renameAction; }
    QAction *undoAction() const { return m_undoAction; }
    QMenu *undoHistoryMenu() const { return m_undoMenu; }
    // The control that shows Undo, and the arrow beside it that opens the history (a Tab
    // stop of its own); Alt+Down and the menu key on Undo open the history too.
    void setUndoButtons(QToolButton *button, QToolButton *historyButton);

    // The Rename command: asks first when nothing would change or some files have problems.
    void rename();
    // Starts renaming at once; reports how many files were renamed and how many failed.
    void performAndReport();
    void undoLast();
    void undoFromHistory(qsizetype index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rememberFocus();
    // Follows `job` to its end, then reports `success` (or the counts, for a rename).
    void follow(RenameJob *job, const QString &label, const QString &success);
    void prepareProgress();
    void showProgress();
    void updateProgress();
    QString progressText(qsizetype done) const;
    void finishJob(RenameJob *job, const QString &success);
    void followEngine();
    void blockInput(bool block);
    void rebuildUndoMenu();
    void openUndoHistory();

    RenameEngine *m_engine;
    WindowPresenter *m_presenter;
    QWidget *m_view;
    QAction *m_renameAction;
    QAction *m_undoAction;
    QMenu *m_undoMenu;
    QPointer<QToolButton> m_undoButton;
    QPointer<QToolButton> m_historyButton;
    // The batch this object started and follows, and what its progress shows.
    QPointer<RenameJob> m_job;
    QString m_progressLabel;
    qsizetype m_done = 0;
    QTimer m_progressDelay;
    QProgressDialog *m_progress = nullptr;
    QPointer<QWidget> m_focusBefore;
    QPointer<QWindow> m_blockedWindow;
};
