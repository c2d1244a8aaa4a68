#include "window/renamecommands.h"

#include "batches/renamejob.h"
#include "dialogs/alertdialog.h"
#include "renameengine.h"
#include "window/windowpresenter.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

#include <limits>

RenameCommands::RenameCommands(RenameEngine *engine, WindowPresenter *presenter, QWidget *view)
    : QObject(view), m_engine(engine), m_presenter(presenter), m_view(view)
{
    m_renameAction = new QAction(tr("Rename"), this);
    m_renameAction->setObjectName(QStringLiteral("renameAction"));
    m_renameAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    m_renameAction->setShortcutContext(Qt::WindowShortcut);
    m_renameAction->setToolTip(tr("Rename all files (Ctrl+Return)"));
    connect(m_renameAction, &QAction::triggered, this, &RenameCommands::rename);
    view->addAction(m_renameAction);

    m_undoAction = new QAction(tr("Undo"), this);
    m_undoAction->setObjectName(QStringLiteral("undoAction"));
    m_undoAction->setToolTip(tr("Undo last rename operation (or view history)"));
    // Ctrl+Z in a text field undoes the typing: a field being edited claims the key first.
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_undoAction, &QAction::triggered, this, &RenameCommands::undoLast);
    view->addAction(m_undoAction);
    m_undoMenu = new QMenu(view);
    m_undoMenu->setObjectName(QStringLiteral("undoHistoryMenu"));
    connect(m_undoMenu, &QMenu::aboutToShow, this, &RenameCommands::rebuildUndoMenu);

    m_progressDelay.setSingleShot(true);
    m_progressDelay.setInterval(progressDelayMilliseconds);
    connect(&m_progressDelay, &QTimer::timeout, this, &RenameCommands::showProgress);

    connect(engine, &RenameEngine::filesChanged, this, &RenameCommands::followEngine);
    connect(engine, &RenameEngine::busyChanged, this, &RenameCommands::followEngine);
    followEngine();
}

RenameCommands::~RenameCommands()
{
    blockInput(false);
}

void RenameCommands::setUndoButtons(QToolButton *button, QToolButton *historyButton)
{
    m_undoButton = button;
    button->setDefaultAction(m_undoAction);
    button->installEventFilter(this);
    m_historyButton = historyButton;
    historyButton->setMenu(m_undoMenu);
    historyButton->setPopupMode(QToolButton::InstantPopup);
    historyButton->setToolTip(tr("Undo history"));
    historyButton->setAccessibleName(tr("Undo History"));
    historyButton->installEventFilter(this);
    followEngine();
}

void RenameCommands::followEngine()
{
    const bool busy = m_engine->isBusy();
    // A large drop or hand-over is added on a worker; it shows the same progress.
    if (RenameJob *job = m_engine->currentJob();
        job && !m_job && job->kind() == RenameJob::Kind::add) {
        rememberFocus();
        follow(job, tr("Adding files…"), QString());
    }
    const bool canUndo = m_engine->canUndo() && !busy;
    m_renameAction->setEnabled((m_engine->hasPendingFiles() || m_engine->isReadingFileInfo()) &&
                               !busy);
    m_undoAction->setEnabled(canUndo);
    // The menu arrow stays usable only while there is history to show.
    if (m_undoButton)
        m_undoButton->setEnabled(canUndo);
    if (m_historyButton)
        m_historyButton->setEnabled(canUndo);
    blockInput(busy);
}

void RenameCommands::blockInput(bool block)
{
    // The window keeps repainting and can be moved, but takes no click, key, wheel or drop
    // that could change the list or the stack while their files move. The filter sits on
    // the window itself, where the window system delivers input before any widget sees it.
    QWindow *window = m_view->window()->windowHandle();
    if (block && !m_blockedWindow && window) {
        m_blockedWindow = window;
        window->installEventFilter(this);
    } else if (!block && m_blockedWindow) {
        m_blockedWindow->removeEventFilter(this);
        m_blockedWindow = nullptr;
    }
}

void RenameCommands::rebuildUndoMenu()
{
    m_undoMenu->clear();
    const QList<UndoOperation> &history = m_engine->undoStack();
    for (qsizetype i = 0; i < history.size(); ++i) {
        QAction *item =
            m_undoMenu->addAction(tr("Undo: %n file(s)", nullptr, int(history[i].entries.size())));
        connect(item, &QAction::triggered, this, [this, i] { undoFromHistory(i); });
    }
}

void RenameCommands::openUndoHistory()
{
    if (!m_undoButton || !m_undoButton->isEnabled())
        return;
    m_undoMenu->popup(m_undoButton->mapToGlobal(QPoint(0, m_undoButton->height())));
}

void RenameCommands::rename()
{
    if (m_engine->isBusy())
        return;
    // While files are still being read the names are not known yet: the batch waits for
    // them, and stops by itself if they then show problems.
    if (m_engine->isReadingFileInfo()) {
        performAndReport();
        return;
    }
    if (!m_engine->hasPendingFiles())
        return;
    if (!m_engine->hasChanges()) {
        AlertDialog *alert =
            m_presenter->makeAlert(tr("No Changes to Apply"),
                                   tr("The current workflow would not change any filenames. All "
                                      "files already have the resulting names."));
        alert->addButton(tr("OK"), AlertDialog::Role::cancel);
        m_presenter->present(alert);
        return;
    }
    const qsizetype problems = m_engine->conflictCount() + m_engine->errorCount();
    if (problems > 0) {
        AlertDialog *alert =
            m_presenter->makeAlert(tr("Proceed with Warnings?"),
                                   tr("There are %n file(s) with conflicts or errors. Only files "
                                      "without issues will be renamed. Do you want to proceed?",
                                      nullptr, int(problems)));
        alert->addButton(tr("Cancel"), AlertDialog::Role::cancel);
        alert->addButton(tr("Rename Anyway"), AlertDialog::Role::destructive,
                         [this] { performAndReport(); });
        m_presenter->present(alert);
        return;
    }
    performAndReport();
}

void RenameCommands::performAndReport()
{
    rememberFocus();
    RenameJob *job = m_engine->startRename();
    if (!job || !job->isWaiting()) {
        follow(job, tr("Renaming files…"), QString());
        return;
    }
    follow(job, tr("Reading file info…"), QString());
    // The wait can be cancelled; the moves, once they start, cannot.
    connect(job, &RenameJob::waitEnded, this, [this, job] {
        m_progressLabel = tr("Renaming files…");
        m_done = 0;
        if (m_progress) {
            m_progress->setCancelButton(nullptr);
            m_progress->setMaximum(static_cast<int>(job->total()));
            updateProgress();
        }
    });
}

void RenameCommands::undoLast()
{
    if (!m_engine->canUndo())
        return;
    rememberFocus();
    follow(m_engine->startUndo(m_engine->undoStack().size() - 1), tr("Undoing…"),
           tr("Successfully undid last rename operation"));
}

void RenameCommands::undoFromHistory(qsizetype index)
{
    rememberFocus();
    follow(m_engine->startUndo(index), tr("Undoing…"), tr("Successfully undid rename operation"));
}

void RenameCommands::rememberFocus()
{
    // The commands are off while a batch runs, which takes the keyboard focus from them: it
    // comes back afterwards, so that a second undo from the keyboard reaches Undo again.
    // Taken before the batch starts, since starting it turns the commands off, and from the
    // window: while the history menu is up, the menu has the application's focus.
    m_focusBefore = m_view->window()->focusWidget();
}

void RenameCommands::follow(RenameJob *job, const QString &label, const QString &success)
{
    // Null when the engine refused: a batch already runs, or there is nothing to do.
    if (!job)
        return;
    m_job = job;
    m_progressLabel = label;
    m_done = 0;
    connect(job, &RenameJob::progressChanged, this, [this](qsizetype done) {
        m_done = done;
        updateProgress();
    });
    connect(job, &RenameJob::finished, this, [this, job, success] { finishJob(job, success); });
    m_progressDelay.start();
    prepareProgress();
}

void RenameCommands::prepareProgress()
{
    if (m_progress || !m_job)
        return;
    m_progress = new QProgressDialog(m_progressLabel, QString(), 0,
                                     static_cast<int>(m_job->total()), m_view->window());
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(std::numeric_limits<int>::max());
    if (m_job->isWaiting()) {
        m_progress->setCancelButtonText(tr("Cancel"));
        connect(m_progress, &QProgressDialog::canceled, m_job, &RenameJob::cancel);
    } else {
        m_progress->setCancelButton(nullptr);
    }
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    // Sized for the longest count it will show, so that it does not widen while the count
    // grows: a hidden dialog takes the size of each new text, a shown one only grows.
    m_progress->setLabelText(progressText(m_job->total()));
    m_progress->hide();
    // Made whole before the batch needs it, styled and laid out, so that showing it costs
    // little more than mapping a window that paints at once. Made while it is
    // shown, under load, it stood as an unpainted black box for a good part of a second.
    // (Its window is not made ahead: winId() would mark the dialog native, and with it
    // every other child of the main window.)
    m_progress->ensurePolished();
    m_progress->adjustSize();
}

void RenameCommands::showProgress()
{
    if (!m_job || m_job->isFinished())
        return;
    prepareProgress();
    if (!m_progress || m_progress->isVisible())
        return;
    m_progress->show();
    // Paint it as soon as the window system shows it, before the next count arrives: the
    // window takes no input meanwhile, only the events that expose and paint it are run.
    QElapsedTimer waited;
    waited.start();
    while (m_progress && m_progress->windowHandle() && !m_progress->windowHandle()->isExposed() &&
           waited.elapsed() < exposeWaitMilliseconds)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    if (!m_progress)
        return;
    m_progress->repaint();
    // Setting the value of a modal dialog runs pending events, in which the job may finish
    // and the dialog go.
    updateProgress();
}

void RenameCommands::updateProgress()
{
    if (!m_progress || !m_job || !m_progress->isVisible())
        return;
    m_progress->setLabelText(progressText(m_done));
    m_progress->setValue(static_cast<int>(m_done));
}

QString RenameCommands::progressText(qsizetype done) const
{
    return tr("%1 %2 of %3").arg(m_progressLabel).arg(done).arg(m_job->total());
}

void RenameCommands::finishJob(RenameJob *job, const QString &success)
{
    m_progressDelay.stop();
    m_job = nullptr;
    if (m_progress) {
        // Not deleted here: this may run inside the dialog's own setValue, which runs
        // pending events for a modal dialog.
        const bool shown = m_progress->isVisible();
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
        if (shown)
            m_presenter->reactivateWindow();
    }
    followEngine();
    if (m_focusBefore && m_focusBefore->isEnabled() && m_focusBefore->isVisible())
        m_focusBefore->setFocus(Qt::OtherFocusReason);

    if (!job->refusal().isEmpty()) {
        // Nothing moved: said in an alert that stays until read, not in the passing notice.
        AlertDialog *alert = m_presenter->makeAlert(job->kind() == RenameJob::Kind::rename
                                                        ? tr("Nothing Was Renamed")
                                                        : tr("Nothing Was Undone"),
                                                    job->refusal());
        alert->addButton(tr("OK"), AlertDialog::Role::cancel);
        m_presenter->present(alert);
    } else if (job->cancelled()) {
        return;
    } else if (job->kind() == RenameJob::Kind::rename) {
        QString message = tr("Renamed %n file(s)", nullptr, int(job->renamedCount()));
        if (job->failedCount() >= 1)
            message += tr(", %n failed", nullptr, int(job->failedCount()));
        // Files the user chose to leave behind ("Rename Anyway") did not fail.
        if (job->skippedCount() >= 1)
            message += tr(", %n skipped", nullptr, int(job->skippedCount()));
        if (job->failedCount() == 0)
            m_presenter->showSuccess(message);
        else
            m_presenter->showPartialSuccess(message);
    } else if (job->undone()) {
        m_presenter->showSuccess(success);
    }
}

bool RenameCommands::eventFilter(QObject *watched, QEvent *event)
{
    // The event's type is checked before the watched object: a widget that is being
    // destroyed still sends events here, and comparing it with a guarded pointer of its
    // own, already destroyed, class would read it as that class.
    if (event->type() == QEvent::KeyPress &&
        (watched == m_undoButton || watched == m_historyButton)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) ||
            (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier)) {
            openUndoHistory();
            return true;
        }
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // While a batch runs the window takes no input that could change the list.
        if (watched == m_blockedWindow)
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
