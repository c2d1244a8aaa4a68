#include "testmain.h"

#include "appdelegate.h"
#include "dialogs/alertdialog.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "movejournal.h"
#include "posixfilemover.h"
#include "renameengine.h"
#include "supportrequest.h"
#include "updatechecker.h"
#include "window/contentview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class AppDelegateTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;
    int m_chooserCalls = 0;
    QString settingsFile() const { return m_folder.filePath(u"Brisklet.conf"_qs); }
    QVariant stored(const QString &key) const
    {
        return QSettings(settingsFile(), QSettings::IniFormat).value(key);
    }
    RenameEngine *engine() const { return m_delegate->renameEngine(); }
    MainWindow *window() const { return m_delegate->mainWindow(); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(settingsFile());
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat),
            std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                           std::make_unique<PosixFileMover>()));
        QVERIFY(!window()); // nothing shown before launching finishes
        m_delegate->applicationDidFinishLaunching();
        m_chooserCalls = 0;
        engine()->setFileChooser([this](RenameEngine::FileChooserCompletion) { ++m_chooserCalls; });
    }

    void cleanup() { m_delegate.reset(); }

    // A batch cut short by a crash left a file under a temporary name: the next launch
    // gives it its new name and says so in one alert over the window.
    void launchRecoversAnInterruptedBatch()
    {
        m_delegate.reset();
        QTemporaryDir files;
        QFile hidden(files.filePath(u".brisklet-swap-1"_qs));
        QVERIFY(hidden.open(QIODevice::WriteOnly));
        hidden.close();
        const QByteArray source = QFile::encodeName(files.filePath(u"a.txt"_qs));
        QVERIFY(QDir().mkpath(QFile::decodeName(MoveJournal::folder())));
        QFile journal(QFile::decodeName(MoveJournal::folder() + "/moves-launch.journal"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(MoveJournal::serialize(
            MoveJournal::Kind::batch, {{source, ".brisklet-swap-1", "b.txt", std::nullopt}}));
        journal.close();

        init();

        QList<AlertDialog *> alerts;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *alert = qobject_cast<AlertDialog *>(widget); alert && alert->isVisible())
                alerts.append(alert);
        }
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts.first()->parentWidget(), window());
        QVERIFY2(alerts.first()->message().contains(u"now has the new name"_qs),
                 qPrintable(alerts.first()->message()));
        QVERIFY(QFileInfo::exists(files.filePath(u"b.txt"_qs)));
        QVERIFY(!journal.exists());
        alerts.first()->press(u"OK"_qs);
    }

    void launchShowsOneWindowWithTheMenus()
    {
        QVERIFY(window()->isVisible());
        QCOMPARE(window()->windowTitle(), u"Brisklet"_qs);
        QCOMPARE(window()->size(), QSize(900, 600));
        engine()->addFiles(
            {QUrl::fromLocalFile(u"/tmp/a.txt"_qs)}); // the window follows this engine
        QCOMPARE(window()->contentView()->findChild<QLabel *>(u"fileCount"_qs)->text(),
                 u"1 file(s)"_qs);
        engine()->clearAll();
        QCOMPARE(stored(u"NSQuitAlwaysKeepsWindows"_qs), QVariant(u"false"_qs));

        QStringList titles;
        for (const QAction *top : window()->menuBar()->actions()) {
            for (const QAction *action : top->menu()->actions())
                titles.append(action->isSeparator() ? u"--"_qs : action->text());
        }
        QCOMPARE(titles,
                 QStringList({u"Add Files..."_qs, u"--"_qs, u"Close Window"_qs, u"Quit"_qs,
                              u"Hide Sidebar"_qs, u"Contact Support"_qs, u"--"_qs,
                              u"Check for Updates\u2026"_qs, u"--"_qs, u"About Brisklet"_qs}));
        QAction *addFiles = window()->menuBar()->actions().first()->menu()->actions().first();
        QCOMPARE(addFiles->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        addFiles->trigger(); // from the menu the chooser opens at once
        QCOMPARE(m_chooserCalls, 1);
    }

    void helpCommandsExplainThemselves()
    {
        QMenu *help = window()->menuBar()->actions().last()->menu();
        QAction *contact = help->actions().at(0);
        QAction *updates = help->actions().at(2);
        QVERIFY(help->toolTipsVisible());
        if (m_delegate->updateChecker()->feedUrl().isEmpty()) {
            QVERIFY(!updates->isEnabled());
            QVERIFY2(updates->toolTip().contains(u"No update feed"_qs),
                     qPrintable(updates->toolTip()));
        }

        // Without the desktop's mail tools, there is no mail program to hand the e-mail to.
        QTemporaryDir emptyPath;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(emptyPath.path()));
        contact->trigger();
        qputenv("PATH", path);
        AlertDialog *alert = nullptr;
        QTRY_VERIFY((alert = window()->findChild<AlertDialog *>()) && alert->isVisible());
        QVERIFY2(alert->message().contains(SupportRequest::supportAddress()),
                 qPrintable(alert->message()));
        QVERIFY(alert->press(u"OK"_qs));
    }

    void sidebarCommandHidesAndShowsTheSidebar()
    {
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        ContentView *content = window()->contentView();
        auto *showSidebar = content->findChild<QToolButton *>(u"showSidebar"_qs);
        QMenu *view = window()->menuBar()->actions().at(1)->menu();
        QAction *toggle = view->actions().constFirst();
        QCOMPARE(toggle->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
        QVERIFY(!showSidebar->isVisible());

        QTest::keyClick(window(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(content->isSidebarCollapsed());
        QVERIFY(showSidebar->isVisible()); // the way back stays in sight
        Q_EMIT view->aboutToShow();
        QCOMPARE(toggle->text(), u"Show Sidebar"_qs);

        QTest::mouseClick(showSidebar, Qt::LeftButton);
        QVERIFY(!content->isSidebarCollapsed());
        QVERIFY(!showSidebar->isVisible());
        Q_EMIT view->aboutToShow();
        QCOMPARE(toggle->text(), u"Hide Sidebar"_qs);
    }

    // A request that arrives while files move is handled once they have moved; handled at
    // once, its files would be refused by the busy engine and lost.
    void requestDuringABatchIsHandledAfterIt()
    {
        QTemporaryDir files;
        QFile file(files.filePath(u"a.txt"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        engine()->addFiles({QUrl::fromLocalFile(file.fileName())});
        RenameOperationWrapper prefix = engine()->operations().first();
        prefix.mode = RenameMode::prepend;
        prefix.prependText = u"x-"_qs;
        engine()->setOperation(0, prefix);
        engine()->updatePreview();

        QVERIFY(engine()->startRename());
        m_delegate->handle(
            {LaunchRequest::Action::openFiles, {QUrl::fromLocalFile(files.filePath(u"b.txt"_qs))}});
        QCOMPARE(engine()->files().size(), 1);
        QTRY_COMPARE(engine()->files().size(), 2);
        QVERIFY(QFileInfo::exists(files.filePath(u"x-a.txt"_qs)));
    }

    void requestWhileHidden_data()
    {
        QTest::addColumn<LaunchRequest>("request");
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("chooser"); // opens after a delay, once the window is up
        const QList<QUrl> urls{QUrl::fromLocalFile(u"/tmp/b.txt"_qs),
                               QUrl::fromLocalFile(u"/tmp/a.txt"_qs)};
        QTest::newRow("bare launch") << LaunchRequest{} << 0 << false;
        QTest::newRow("open files")
            << LaunchRequest{LaunchRequest::Action::openFiles, urls} << 2 << false;
        QTest::newRow("add files from the tray")
            << LaunchRequest{LaunchRequest::Action::addFiles, {}} << 0 << true;
    }

    void requestWhileHidden()
    {
        QFETCH(LaunchRequest, request);
        QFETCH(int, files);
        QFETCH(bool, chooser);
        MainWindow *const shown = window();
        QVERIFY(!shown->close()); // refused: the window only hides
        QVERIFY(!shown->isVisible());
        QVERIFY(!stored(u"MainWindow"_qs).toByteArray().isEmpty()); // the frame is remembered

        QSignalSpy filesChanged(engine(), &RenameEngine::filesChanged);
        m_delegate->handle(request);
        QCOMPARE(window(), shown);
        QVERIFY(shown->isVisible());
        QCOMPARE(engine()->files().size(), files);
        QCOMPARE(filesChanged.count(),
                 files ? 2 : 0); // one addition and one preview, not one per file
        if (files)
            QCOMPARE(engine()->files().first().originalName, u"b.txt"_qs); // in the order given
        QCOMPARE(m_chooserCalls, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_chooserCalls, chooser ? 1 : 0, 2000);
    }
};

BRISKLET_TEST(AppDelegateTest)
#include "tst_appdelegate.moc"
