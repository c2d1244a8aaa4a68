#include "testregistry.h"

#include "appdelegate.h"
#include "contentview.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList titles(const QMenu *menu)
{
    QStringList result;
    for (const QAction *action : menu->actions())
        result.append(action->isSeparator() ? u"--"_qs : action->text());
    return result;
}

QMenu *menuTitled(QMenuBar *bar, const QString &title)
{
    for (QAction *action : bar->actions()) {
        if (action->text().remove(u'&') == title)
            return action->menu();
    }
    return nullptr;
}

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    std::unique_ptr<AppDelegate> makeDelegate()
    {
        auto settings = std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                                    QSettings::IniFormat);
        auto engine = std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                                     std::make_unique<PosixFileMover>());
        return std::make_unique<AppDelegate>(std::move(settings), std::move(engine));
    }

private Q_SLOTS:
    void init() { QFile::remove(m_folder.filePath(u"Brisklet.conf"_qs)); }

    void launchSequence()
    {
        const auto delegate = makeDelegate();
        QVERIFY(delegate->renameEngine());
        QVERIFY(!delegate->mainWindow()); // nothing shown before launching finishes
        delegate->applicationDidFinishLaunching();

        MainWindow *window = delegate->mainWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), u"Brisklet"_qs);
        QCOMPARE(window->size(), QSize(900, 600));
        QCOMPARE(window->minimumSize(), QSize(700, 500));
        QVERIFY(window->contentView());
        QCOMPARE(window->contentView()->engine(), delegate->renameEngine());

        QSettings written(m_folder.filePath(u"Brisklet.conf"_qs), QSettings::IniFormat);
        QVERIFY(written.contains(u"NSQuitAlwaysKeepsWindows"_qs));
        QCOMPARE(written.value(u"NSQuitAlwaysKeepsWindows"_qs).toBool(), false);
    }

    void menus()
    {
        const auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        QMenuBar *bar = delegate->mainWindow()->menuBar();
        QMenu *file = menuTitled(bar, u"File"_qs);
        QMenu *help = menuTitled(bar, u"Help"_qs);
        QVERIFY(file && help);
        QCOMPARE(bar->actions().size(), 2); // no settings command anywhere
        QCOMPARE(titles(file),
                 QStringList({u"Add Files..."_qs, u"--"_qs, u"Close Window"_qs, u"Quit"_qs}));
        QCOMPARE(file->actions().first()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(file->actions().last()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(titles(help),
                 QStringList({u"Contact Support"_qs, u"--"_qs, u"Check for Updates\u2026"_qs,
                              u"--"_qs, u"About Brisklet"_qs}));
        // Without a feed address the update command stays off.
        QVERIFY(!help->actions().at(2)->isEnabled());

        // "Add Files..." from the menu opens the chooser at once.
        int chooserCalls = 0;
        delegate->renameEngine()->setFileChooser(
            [&](RenameEngine::FileChooserCompletion) { ++chooserCalls; });
        file->actions().first()->trigger();
        QCOMPARE(chooserCalls, 1);
    }

    void openFilesIsOneAdditionAndShowsTheWindow()
    {
        const auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        delegate->mainWindow()->close();
        QVERIFY(!delegate->mainWindow()->isVisible());

        QSignalSpy filesChanged(delegate->renameEngine(), &RenameEngine::filesChanged);
        LaunchRequest request;
        request.action = LaunchRequest::Action::openFiles;
        request.files = {QUrl::fromLocalFile(u"/tmp/b.txt"_qs),
                         QUrl::fromLocalFile(u"/tmp/a.txt"_qs),
                         QUrl::fromLocalFile(u"/tmp/c.txt"_qs)};
        delegate->handle(request);
        QCOMPARE(delegate->renameEngine()->files().size(), 3);
        QCOMPARE(delegate->renameEngine()->files().first().originalName, u"b.txt"_qs);
        // One addition and one preview, not one per file.
        QCOMPARE(filesChanged.count(), 2);
        QVERIFY(delegate->mainWindow()->isVisible());
    }

    void closingHidesAndTheSameWindowComesBack()
    {
        const auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        MainWindow *window = delegate->mainWindow();
        delegate->renameEngine()->addFiles({QUrl::fromLocalFile(u"/tmp/kept.txt"_qs)});
        QVERIFY(!window->close()); // refused: the window only hides
        QVERIFY(!window->isVisible());
        delegate->handle(LaunchRequest{});
        QCOMPARE(delegate->mainWindow(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(delegate->renameEngine()->files().size(), 1);

        // The frame is remembered under "MainWindow".
        QSettings written(m_folder.filePath(u"Brisklet.conf"_qs), QSettings::IniFormat);
        QVERIFY(!written.value(u"MainWindow"_qs).toByteArray().isEmpty());
    }

    void addFilesFromTheTrayWaitsForTheWindow()
    {
        const auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        delegate->mainWindow()->close();
        int chooserCalls = 0;
        delegate->renameEngine()->setFileChooser(
            [&](RenameEngine::FileChooserCompletion) { ++chooserCalls; });
        LaunchRequest request;
        request.action = LaunchRequest::Action::addFiles;
        delegate->handle(request);
        QVERIFY(delegate->mainWindow()->isVisible());
        QCOMPARE(chooserCalls, 0);
        QTRY_COMPARE_WITH_TIMEOUT(chooserCalls, 1, 2000);
    }
};

BRISKLET_TEST(AppDelegateTest)
#include "tst_appdelegate.moc"
