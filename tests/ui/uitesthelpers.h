#pragma once

#include "../engine/stepbuilders.h"
#include "batches/renamejob.h"
#include "dialogs/alertdialog.h"
#include "fakefilemover.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QList>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace UiTest {

inline std::unique_ptr<RenameEngine>
makeEngine(std::unique_ptr<FileMover> mover = std::make_unique<FakeFileMover>(),
           std::unique_ptr<PreferencesStore> store = std::make_unique<MemoryPreferencesStore>())
{
    return std::make_unique<RenameEngine>(std::move(store), std::move(mover), nullptr);
}

inline QList<QUrl> urlsFor(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(u"/nonexistent/brisklet/"_qs + name));
    return urls;
}

inline QList<QUrl> numberedUrls(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(u"file %1.txt"_qs.arg(i));
    return urlsFor(names);
}

// Sets the first operation of the stack and runs the preview, as the editor does.
template <typename Change> void editFirstOperation(RenameEngine &engine, Change change)
{
    RenameOperationWrapper operation = engine.operations().first();
    change(operation);
    engine.setOperation(0, operation);
    engine.updatePreview();
}

// Makes `step` the first of the stack and runs the preview, as the editor does.
inline void setFirstStep(RenameEngine &engine, const RenameOperationWrapper &step)
{
    engine.setOperation(0, step);
    engine.updatePreview();
}

// Waits for the batch that runs, if any, to finish; the window has reported it by then.
[[nodiscard]] inline bool finishBatch(RenameEngine &engine)
{
    RenameJob *job = engine.currentJob();
    if (!job)
        return true;
    QSignalSpy finished(job, &RenameJob::finished);
    return finished.wait(10000);
}

// The control `name` inside `view`; fails the lookup loudly rather than returning null.
template <typename Control = QWidget> Control *child(const QObject *view, const QString &name)
{
    auto *control = view->findChild<Control *>(name);
    Q_ASSERT_X(control, "UiTest::child", qPrintable(name));
    return control;
}

inline QAction *action(const QObject *view, const QString &name)
{
    return child<QAction>(view, name);
}

// The alert that is up over `view`, if any.
inline AlertDialog *shownAlert(const QWidget *view)
{
    const QList<AlertDialog *> alerts = view->findChildren<AlertDialog *>();
    for (qsizetype i = alerts.size() - 1; i >= 0; --i) {
        if (alerts[i]->isVisible())
            return alerts[i];
    }
    return nullptr;
}

// Saves the stack as a workflow through the window's save prompt, typing `name`.
inline void saveAs(const QWidget *window, const QString &name)
{
    child<QAbstractButton>(window, u"saveWorkflowButton"_qs)->click();
    QTest::keyClicks(shownAlert(window)->textField(), name);
    QTest::keyClick(shownAlert(window)->textField(), Qt::Key_Return);
}

} // namespace UiTest
