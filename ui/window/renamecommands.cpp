#include "window/renamecommands.h"

#include "dialogs/alertdialog.h"
#include "renameengine.h"
#include "window/windowpresenter.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QToolButton>
#include <QWidget>

RenameCommands::RenameCommands(RenameEngine *engine, WindowPresenter *presenter, QWidget *window)
    : QObject(window), m_engine(engine), m_presenter(presenter), m_window(window)
{
    m_renameAction = new QAction(QStringLiteral("Rename"), this);
    m_renameAction->setObjectName(QStringLiteral("renameAction"));
    m_renameAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    m_renameAction->setShortcutContext(Qt::WindowShortcut);
    m_renameAction->setToolTip(QStringLiteral("Rename all files (Ctrl+Return)"));
    connect(m_renameAction, &QAction::triggered, this, &RenameCommands::rename);
    window->addAction(m_renameAction);

    m_undoAction = new QAction(QStringLiteral("Undo"), this);
    m_undoAction->setObjectName(QStringLiteral("undoAction"));
    m_undoAction->setToolTip(QStringLiteral("Undo last rename operation (or view history)"));
    connect(m_undoAction, &QAction::triggered, this, &RenameCommands::undoLast);
    m_undoMenu = new QMenu(window);
    m_undoMenu->setObjectName(QStringLiteral("undoHistoryMenu"));
    connect(m_undoMenu, &QMenu::aboutToShow, this, &RenameCommands::rebuildUndoMenu);

    connect(engine, &RenameEngine::filesChanged, this, &RenameCommands::followEngine);
    followEngine();
}

RenameCommands::~RenameCommands()
{
    if (m_busy)
        qApp->removeEventFilter(this);
}

void RenameCommands::setUndoButton(QToolButton *button)
{
    m_undoButton = button;
    button->setDefaultAction(m_undoAction);
    button->setMenu(m_undoMenu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->installEventFilter(this);
    followEngine();
}

void RenameCommands::followEngine()
{
    const bool canRename = m_engine->hasPendingFiles() && !m_busy;
    const bool canUndo = m_engine->canUndo() && !m_busy;
    m_renameAction->setEnabled(canRename);
    m_undoAction->setEnabled(canUndo);
    // The menu arrow stays usable only while there is history to show.
    if (m_undoButton)
        m_undoButton->setEnabled(canUndo);
}

void RenameCommands::rebuildUndoMenu()
{
    m_undoMenu->clear();
    const QList<UndoOperation> &history = m_engine->undoStack();
    for (qsizetype i = 0; i < history.size(); ++i) {
        QAction *item = m_undoMenu->addAction(
            QStringLiteral("Undo: %1 file(s)").arg(history[i].renames.size()));
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
    if (m_busy || !m_engine->hasPendingFiles())
        return;
    if (!m_engine->hasChanges()) {
        AlertDialog *alert = m_presenter->makeAlert(
            QStringLiteral("No Changes to Apply"),
            QStringLiteral("The current workflow would not change any filenames. All "
                           "files already have the resulting names."));
        alert->addButton(QStringLiteral("OK"), AlertDialog::Role::cancel);
        m_presenter->present(alert);
        return;
    }
    const qsizetype problems = m_engine->conflictCount() + m_engine->errorCount();
    if (problems > 0) {
        AlertDialog *alert = m_presenter->makeAlert(
            QStringLiteral("Proceed with Warnings?"),
            QStringLiteral("There are %1 file(s) with conflicts or errors. Only files "
                           "without issues will be renamed. Do you want to proceed?")
                .arg(problems));
        alert->addButton(QStringLiteral("Cancel"), AlertDialog::Role::cancel);
        alert->addButton(QStringLiteral("Rename Anyway"), AlertDialog::Role::destructive,
                         [this] { performAndReport(); });
        m_presenter->present(alert);
        return;
    }
    performAndReport();
}

void RenameCommands::setBusy(bool busy)
{
    m_busy = busy;
    if (busy)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    followEngine();
    Q_EMIT busyChanged(busy);
}

template <typename Work> auto RenameCommands::runShowingProgress(const QString &label, Work work)
{
    // The moves run here, in order, on this thread. While they run the window takes no
    // other command; a batch that lasts shows how far it got. The commands are disabled
    // meanwhile, which takes the keyboard focus from them: it comes back afterwards, so
    // that a second undo from the keyboard reaches the Undo control again.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    setBusy(true);

    QProgressDialog *progress = nullptr;
    QElapsedTimer clock;
    clock.start();
    const ProgressReport report = [&](qsizetype done, qsizetype total) {
        if (!progress) {
            if (clock.elapsed() < progressDelayMilliseconds || done >= total)
                return;
            progress = new QProgressDialog(label, QString(), 0, static_cast<int>(total),
                                           m_window->window());
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setCancelButton(nullptr);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
            progress->show();
        }
        progress->setLabelText(QStringLiteral("%1 %2 of %3").arg(label).arg(done).arg(total));
        progress->setValue(static_cast<int>(done));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const auto result = work(report);
    if (progress) {
        delete progress;
        m_presenter->reactivateWindow();
    }

    setBusy(false);
    if (focused && focused->isEnabled() && focused->isVisible())
        focused->setFocus(Qt::OtherFocusReason);
    return result;
}

void RenameCommands::performAndReport()
{
    if (m_busy)
        return;
    const auto [renamed, failed] =
        runShowingProgress(QStringLiteral("Renaming files…"), [this](const ProgressReport &report) {
            return m_engine->performRename(report);
        });
    QString message = QStringLiteral("Renamed %1 file(s)").arg(renamed);
    if (failed >= 1)
        message += QStringLiteral(", %1 failed").arg(failed);
    m_presenter->showSuccess(message);
}

void RenameCommands::undoLast()
{
    if (m_busy || !m_engine->canUndo())
        return;
    const bool undone =
        runShowingProgress(QStringLiteral("Undoing…"), [this](const ProgressReport &report) {
            return m_engine->undoLastRename(report);
        });
    if (undone)
        m_presenter->showSuccess(QStringLiteral("Successfully undid last rename operation"));
}

void RenameCommands::undoFromHistory(qsizetype index)
{
    if (m_busy || index >= m_engine->undoStack().size())
        return;
    const bool undone =
        runShowingProgress(QStringLiteral("Undoing…"), [this, index](const ProgressReport &report) {
            return m_engine->undoRename(index, report);
        });
    if (undone)
        m_presenter->showSuccess(QStringLiteral("Successfully undid rename operation"));
}

bool RenameCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_undoButton && event->type() == QEvent::KeyPress && !m_busy) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) ||
            (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier)) {
            openUndoHistory();
            return true;
        }
    }
    if (m_busy) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::Drop:
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
