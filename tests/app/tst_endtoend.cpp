#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>

// The shipped program, driven as a person would: a real X server (Xvfb) with a window manager
// and a system tray, real files, and only real keyboard and pointer input through xdotool. It
// proves the pieces work together, not only one by one. Every check waits for an outcome (a
// window, a name on disk, a process that ended) within a time limit instead of sleeping.
//
// Each test starts its own instance of the program, so a step that fails leaves no state
// behind for the next. With BRISKLET_SHOTS_DIR set, the main states are also saved as PNG.
class EndToEndTest : public QObject {
    Q_OBJECT

private:
    struct Window {
        QString id;
        QRect frame;
    };

    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QProcess m_xvfb;
    QProcess m_windowManager;
    QProcess m_trayHost;
    QProcess m_app;
    QProcess m_dragSource;
    QDir m_folder;
    QByteArray m_unavailable;

    static bool waitFor(const std::function<bool()> &condition, int milliseconds = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < milliseconds)
            QTest::qWait(50);
        return condition();
    }

    // The exit code (-1 after a crash or a time-out) and the standard output of a program.
    std::pair<int, QString> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        if (!process.waitForFinished(15000)) {
            process.kill();
            process.waitForFinished();
            return {-1, {}};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed()};
    }

    bool xdotool(const QStringList &arguments) { return run(u"xdotool"_qs, arguments).first == 0; }

    void key(const QString &keys)
    {
        xdotool(QStringList{u"key"_qs, u"--delay"_qs, u"20"_qs} + keys.split(u' '));
    }

    void type(const QString &text) { xdotool({u"type"_qs, u"--delay"_qs, u"20"_qs, text}); }

    // The visible windows of a process (its menus and tray icon included) and where they are.
    QList<Window> windowsOf(qint64 pid, const QStringList &criteria = {u"--name"_qs, QString()})
    {
        const auto [code, output] =
            run(u"xdotool"_qs, QStringList{u"search"_qs, u"--all"_qs, u"--onlyvisible"_qs,
                                           u"--pid"_qs, QString::number(pid)} +
                                   criteria +
                                   QStringList{u"getwindowgeometry"_qs, u"--shell"_qs, u"%@"_qs});
        QList<Window> windows;
        if (code != 0)
            return windows;
        for (const QString &line : output.split(u'\n')) {
            const QString name = line.section(u'=', 0, 0);
            const int value = line.section(u'=', 1).toInt();
            if (name == u"WINDOW")
                windows.append({line.section(u'=', 1), {}});
            else if (windows.isEmpty())
                continue;
            else if (name == u"X")
                windows.last().frame.moveLeft(value);
            else if (name == u"Y")
                windows.last().frame.moveTop(value);
            else if (name == u"WIDTH")
                windows.last().frame.setWidth(value);
            else if (name == u"HEIGHT")
                windows.last().frame.setHeight(value);
        }
        return windows;
    }

    // The main window: the program's one large window titled "Brisklet" (its tray icon has
    // the same title).
    std::optional<Window> mainWindow()
    {
        if (m_app.state() != QProcess::Running)
            return std::nullopt;
        for (const Window &window :
             windowsOf(m_app.processId(), {u"--name"_qs, u"^Brisklet$"_qs})) {
            if (window.frame.width() >= 400)
                return window;
        }
        return std::nullopt;
    }

    bool hasTrayIcon()
    {
        const QList<Window> windows = windowsOf(m_app.processId());
        return std::any_of(windows.cbegin(), windows.cend(),
                           [](const Window &window) { return window.frame.width() < 64; });
    }

    // Any window of the program over the main window: a menu, a dialog.
    std::optional<Window> popup(const Window &main)
    {
        for (const Window &window : windowsOf(m_app.processId())) {
            if (window.id != main.id && window.frame.width() >= 64)
                return window;
        }
        return std::nullopt;
    }

    // A menu that popped up under the title bar's commands at the right of the main window.
    static bool underTheCommands(const Window &menu, const Window &main)
    {
        return menu.frame.left() >= main.frame.center().x() &&
               menu.frame.top() < main.frame.top() + 150;
    }

    std::optional<Window> commandMenu(const Window &main)
    {
        const std::optional<Window> shown = popup(main);
        return shown && underTheCommands(*shown, main) ? shown : std::nullopt;
    }

    // Walks the focus backwards through the window (the title bar's commands close the
    // chain) and asks each stop for its menu with the menu key, until the history shows up
    // under the title bar. Other stops' context menus are closed again; the menu key changes
    // no data anywhere, unlike Alt+Down, which steps some controls.
    std::optional<Window> openHistoryWithTheMenuKey(const Window &main)
    {
        for (int stop = 0; stop < 25; ++stop) {
            key(u"shift+Tab Menu"_qs);
            std::optional<Window> shown;
            waitFor([&] { return (shown = popup(main)).has_value(); }, 250);
            if (shown && underTheCommands(*shown, main))
                return shown;
            if (shown) {
                key(u"Escape"_qs);
                if (!waitFor([&] { return !popup(main); }))
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // Starts the program with the tray host up, waits for its window and gives it the keyboard.
    std::optional<Window> startProgram(const QStringList &arguments = {})
    {
        m_app.setProcessEnvironment(m_environment);
        m_app.start(QStringLiteral(BRISKLET_BINARY), arguments);
        if (!m_app.waitForStarted(10000) || !waitFor([&] { return mainWindow().has_value(); }))
            return std::nullopt;
        const std::optional<Window> window = mainWindow();
        activate(*window);
        return window;
    }

    void activate(const Window &window)
    {
        xdotool({u"windowactivate"_qs, u"--sync"_qs, window.id});
    }

    void stopProgram()
    {
        if (m_app.state() == QProcess::NotRunning)
            return;
        m_app.kill();
        m_app.waitForFinished(5000);
    }

    bool quitWithTheKeyboard(const Window &window)
    {
        activate(window);
        key(u"ctrl+q"_qs);
        return m_app.waitForFinished(5000);
    }

    bool lockIsFree()
    {
        QLockFile lock(QDir(m_home.path()).filePath(u"runtime/brisklet-instance.lock"_qs));
        return lock.tryLock(0);
    }

    QStringList names() const { return m_folder.entryList(QDir::Files, QDir::Name); }

    bool namesBecome(const QStringList &expected)
    {
        return waitFor([&] { return names() == expected; });
    }

    QStringList makeFiles(const QStringList &fileNames)
    {
        QStringList paths;
        for (const QString &name : fileNames) {
            QFile file(m_folder.filePath(name));
            if (!file.open(QIODevice::WriteOnly))
                return {};
            file.write(name.toUtf8());
            paths.append(file.fileName());
        }
        return paths;
    }

    // With the first field of the first step focused: replace `find` with `replacement` in
    // every name, then rename.
    void replaceAndRename(const QString &find, const QString &replacement)
    {
        key(u"ctrl+a"_qs);
        type(find);
        key(u"Tab ctrl+a"_qs);
        type(replacement);
        key(u"ctrl+Return"_qs);
    }

    // Drags files from another process onto a point of the main window, moving the pointer in
    // steps as a hand would: the drag protocol between two X clients needs motion events to
    // tell the target where the drag is before the button goes up. True once the source saw
    // the drop accepted.
    bool dragOnto(const QStringList &paths, const Window &target, QPoint at)
    {
        m_dragSource.setProcessEnvironment(m_environment);
        m_dragSource.start(QStringLiteral(BRISKLET_DRAG_SOURCE), paths);
        std::optional<Window> source;
        if (!m_dragSource.waitForStarted(10000) || !waitFor([&] {
                const QList<Window> windows = windowsOf(
                    m_dragSource.processId(), {u"--name"_qs, u"^Brisklet Drag Source$"_qs});
                if (!windows.isEmpty())
                    source = windows.first();
                return source.has_value();
            }))
            return false;
        const QPoint from = source->frame.center();
        const QPoint to = target.frame.topLeft() + at;
        xdotool(
            {u"mousemove"_qs, u"--sync"_qs, QString::number(from.x()), QString::number(from.y())});
        xdotool({u"mousedown"_qs, u"1"_qs});
        constexpr int steps = 12;
        for (int step = 1; step <= steps + 3; ++step) {
            // The last steps wiggle over the target so that it answers before the release.
            const QPoint point =
                step <= steps ? from + (to - from) * step / steps : to + QPoint(step - steps, 0);
            xdotool({u"mousemove"_qs, QString::number(point.x()), QString::number(point.y())});
            QTest::qWait(40);
        }
        xdotool({u"mouseup"_qs, u"1"_qs});
        const bool ended = waitFor([&] { return m_dragSource.canReadLine(); });
        const QByteArray outcome = m_dragSource.readLine().trimmed();
        // The target reads the dragged data from the source after the drop: stop it only now.
        m_dragSource.terminate();
        if (!m_dragSource.waitForFinished(5000))
            m_dragSource.kill();
        m_dragSource.waitForFinished();
        return ended && outcome == "accepted";
    }

    // The window as it is, at its usual and at its smallest size, for people to look at.
    void screenshot(const QString &name)
    {
        const QString directory = qEnvironmentVariable("BRISKLET_SHOTS_DIR");
        const std::optional<Window> window = mainWindow();
        if (directory.isEmpty() || !window || !QDir().mkpath(directory))
            return;
        for (const QSize size : {QSize(900, 600), QSize(700, 500)}) {
            xdotool({u"windowsize"_qs, u"--sync"_qs, window->id, QString::number(size.width()),
                     QString::number(size.height())});
            QTest::qWait(300); // the repaint after a resize has no outcome to wait for
            // From the screen, so that an open menu shows too (a capture of the window alone
            // leaves popups black); the margin takes in the frame, whose size xdotool does not
            // report.
            const QRect area = QRect(window->frame.topLeft(), size)
                                   .adjusted(-10, -50, 10, 10)
                                   .intersected(QRect(0, 0, 1280, 800));
            run(u"import"_qs,
                {u"-window"_qs, u"root"_qs, u"-crop"_qs,
                 u"%1x%2+%3+%4"_qs.arg(area.width())
                     .arg(area.height())
                     .arg(area.left())
                     .arg(area.top()),
                 QDir(directory).filePath(
                     u"real-%1-%2x%3.png"_qs.arg(name).arg(size.width()).arg(size.height()))});
        }
        xdotool({u"windowsize"_qs, u"--sync"_qs, window->id, QString::number(window->frame.width()),
                 QString::number(window->frame.height())});
    }

    bool startHelper(QProcess &process, const QString &program, const QStringList &arguments)
    {
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        return process.waitForStarted(10000);
    }

    static void stopHelper(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Skipped per function, not here: a skip in initTestCase would also stop the test
        // classes that run after this one in the same executable.
        for (const char *program : {"Xvfb", "xdotool", "openbox", "trayer", "import"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
                m_unavailable = "Xvfb, xdotool, openbox, trayer and import drive the real "
                                "program (scripts/setup installs them)";
                return;
            }
        }
        QVERIFY(m_home.isValid());
        // Xvfb picks a free display and writes its number once it accepts connections.
        m_xvfb.start(u"Xvfb"_qs, {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs,
                                  u"1280x800x24"_qs, u"-nolisten"_qs, u"tcp"_qs});
        // The number ends with a new line; a part of it would name another display.
        while (!m_xvfb.canReadLine() && m_xvfb.waitForReadyRead(10000)) {
        }
        if (!m_xvfb.canReadLine()) {
            m_unavailable = "Xvfb does not start here";
            return;
        }
        const QString display = QString::fromLatin1(m_xvfb.readLine()).trimmed();

        // Nothing the program, the window manager or the tray host writes reaches the real
        // home; the runtime folder is private to the user, as the session would make it.
        const QDir home(m_home.path());
        for (const char *folder : {"config", "state", "data", "cache", "runtime", "files"})
            QVERIFY(home.mkpath(QString::fromLatin1(folder)));
        QVERIFY(QFile::setPermissions(home.filePath(u"runtime"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"DISPLAY"_qs, u":"_qs + display);
        m_environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        m_environment.insert(u"HOME"_qs, home.path());
        m_environment.insert(u"XDG_CONFIG_HOME"_qs, home.filePath(u"config"_qs));
        m_environment.insert(u"XDG_STATE_HOME"_qs, home.filePath(u"state"_qs));
        m_environment.insert(u"XDG_DATA_HOME"_qs, home.filePath(u"data"_qs));
        m_environment.insert(u"XDG_CACHE_HOME"_qs, home.filePath(u"cache"_qs));
        m_environment.insert(u"XDG_RUNTIME_DIR"_qs, home.filePath(u"runtime"_qs));
        m_environment.remove(u"SESSION_MANAGER"_qs);
        m_environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_qs);
        m_environment.remove(u"QT_QPA_PLATFORMTHEME"_qs);
        // In a sanitizer build the system's D-Bus library leaves an allocation behind at exit,
        // which would turn a clean quit into a failed one; these tests are not about leaks.
        QFile suppressions(home.filePath(u"lsan.supp"_qs));
        QVERIFY(suppressions.open(QIODevice::WriteOnly));
        suppressions.write("leak:libdbus-1.so\n");
        suppressions.close();
        m_environment.insert(u"LSAN_OPTIONS"_qs, u"suppressions="_qs + suppressions.fileName());
        m_folder = QDir(home.filePath(u"files"_qs));

        // A window manager gives focus and activation as a desktop does; the tray host is why
        // closing the window only hides it, and what quitting must work against.
        QVERIFY(startHelper(m_windowManager, u"openbox"_qs, {u"--sm-disable"_qs}));
        QVERIFY2(waitFor([&] { return xdotool({u"get_num_desktops"_qs}); }, 20000),
                 qPrintable(u"the window manager did not start (%1): %2"_qs.arg(
                     m_windowManager.state() == QProcess::Running ? u"running"_qs : u"ended"_qs,
                     QString::fromLocal8Bit(m_windowManager.readAllStandardError()))));
        QVERIFY(
            startHelper(m_trayHost, u"trayer"_qs,
                        {u"--edge"_qs, u"bottom"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs,
                         u"pixel"_qs, u"--width"_qs, u"120"_qs, u"--height"_qs, u"24"_qs}));
        // The tray host's panel carries no process id; its class names it.
        QVERIFY2(waitFor(
                     [&] {
                         return xdotool(
                             {u"search"_qs, u"--onlyvisible"_qs, u"--class"_qs, u"^trayer$"_qs});
                     },
                     20000),
                 "the tray host did not start");
    }

    void cleanupTestCase()
    {
        stopProgram();
        stopHelper(m_dragSource);
        stopHelper(m_trayHost);
        stopHelper(m_windowManager);
        stopHelper(m_xvfb);
    }

    void init()
    {
        if (!m_unavailable.isEmpty())
            QSKIP(m_unavailable.constData());
        for (const QString &name : names())
            QVERIFY(m_folder.remove(name));
    }

    void cleanup()
    {
        stopHelper(m_dragSource);
        stopProgram();
    }

    void renameFromAnotherLaunchThroughTheKeyboard()
    {
        const QStringList paths = makeFiles({u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs});
        const std::optional<Window> window = startProgram();
        QVERIFY2(window, "the window never appeared");
        screenshot(u"empty"_qs);

        // A second launch hands the files over and exits at once.
        QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), paths).first, 0);

        // The first field of the first step has the focus. A new name that another file has
        // already is a problem: renaming asks first, and nothing moves while it asks or when
        // the question is dismissed.
        activate(*window);
        type(u"file1"_qs);
        key(u"Tab"_qs);
        type(u"file2"_qs);
        screenshot(u"problem"_qs);
        const QStringList before = names();
        key(u"ctrl+Return"_qs);
        QVERIFY2(waitFor([&] { return popup(*window).has_value(); }),
                 "renaming with a duplicate name did not ask first");
        QCOMPARE(names(), before);
        key(u"Escape"_qs);
        QVERIFY2(waitFor([&] { return !popup(*window); }), "the question did not close");
        QCOMPARE(names(), before);

        // Then a clean change, renamed at once.
        activate(*window);
        key(u"shift+Tab"_qs);
        replaceAndRename(u"file"_qs, u"doc"_qs);
        QVERIFY2(namesBecome({u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs}),
                 qPrintable(names().join(u", ")));
        QFile first(m_folder.filePath(u"doc1.txt"_qs));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("file1.txt"));

        // Closing hides the window; the process keeps running.
        key(u"ctrl+w"_qs);
        QVERIFY2(waitFor([&] { return !mainWindow(); }), "the window did not close");
        QCOMPARE(m_app.state(), QProcess::Running);

        // Launching again brings the same window back.
        QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), {}).first, 0);
        QVERIFY2(waitFor([&] { return mainWindow() && mainWindow()->id == window->id; }),
                 "the same window did not come back");
    }

    void addFilesThroughTheChooser()
    {
        makeFiles({u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs});
        const std::optional<Window> window = startProgram();
        QVERIFY2(window, "the window never appeared");

        key(u"ctrl+o"_qs);
        QVERIFY2(
            waitFor([&] {
                return !windowsOf(m_app.processId(), {u"--name"_qs, u"^Add Files$"_qs}).isEmpty();
            }),
            "the chooser did not open");
        // The name field has the focus: a folder's path and Return go into the folder, then
        // two names in quotes choose two files at once.
        type(m_folder.path());
        key(u"Return"_qs);
        type(u"\"file1.txt\" \"file3.txt\""_qs);
        key(u"Return"_qs);
        QVERIFY2(
            waitFor([&] {
                return windowsOf(m_app.processId(), {u"--name"_qs, u"^Add Files$"_qs}).isEmpty();
            }),
            "the chooser did not close");
        screenshot(u"chosen"_qs);

        // Only the two chosen files are in the list, so only they are renamed.
        activate(*window);
        replaceAndRename(u"file"_qs, u"chosen"_qs);
        QVERIFY2(namesBecome({u"chosen1.txt"_qs, u"chosen3.txt"_qs, u"file2.txt"_qs}),
                 qPrintable(names().join(u", ")));
    }

    void dropFilesFromAnotherProcess()
    {
        const QStringList paths = makeFiles({u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs});
        const std::optional<Window> window = startProgram();
        QVERIFY2(window, "the window never appeared");

        // Two files onto the empty drop zone, in the middle of the file area.
        const QPoint fileArea(window->frame.width() * 2 / 3, window->frame.height() / 2);
        QVERIFY2(dragOnto(paths.mid(0, 2), *window, fileArea),
                 "the drop zone did not take the drop");
        activate(*window);
        replaceAndRename(u"file"_qs, u"doc"_qs);
        QVERIFY2(namesBecome({u"doc1.txt"_qs, u"doc2.txt"_qs, u"file3.txt"_qs}),
                 qPrintable(names().join(u", ")));

        // The list now fills the file area: one more file onto it joins the others.
        QVERIFY2(dragOnto(paths.mid(2), *window, fileArea), "the list did not take the drop");
        screenshot(u"list"_qs);
        activate(*window);
        key(u"shift+Tab"_qs);
        replaceAndRename(u"file"_qs, u"doc"_qs);
        QVERIFY2(namesBecome({u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs}),
                 qPrintable(names().join(u", ")));
    }

    void undoFromTheHistoryMenu()
    {
        const QStringList paths = makeFiles({u"file1.txt"_qs, u"file2.txt"_qs});
        const std::optional<Window> window = startProgram(paths);
        QVERIFY2(window, "the window never appeared");

        // Two renames make two entries in the history, the newest last.
        replaceAndRename(u"file"_qs, u"doc"_qs);
        QVERIFY2(namesBecome({u"doc1.txt"_qs, u"doc2.txt"_qs}), qPrintable(names().join(u", ")));
        activate(*window);
        key(u"shift+Tab"_qs);
        replaceAndRename(u"doc"_qs, u"img"_qs);
        QVERIFY2(namesBecome({u"img1.txt"_qs, u"img2.txt"_qs}), qPrintable(names().join(u", ")));

        // Up from the top wraps to the last item: the newest rename is undone.
        activate(*window);
        const std::optional<Window> menu = openHistoryWithTheMenuKey(*window);
        QVERIFY2(menu, "no stop in the window opened the history with the menu key");
        screenshot(u"history"_qs);
        key(u"Up Return"_qs);
        QVERIFY2(namesBecome({u"doc1.txt"_qs, u"doc2.txt"_qs}), qPrintable(names().join(u", ")));

        // One entry is left, so the menu is shorter. Alt+Down opens it as well; Down and
        // Return choose its one item.
        activate(*window);
        const std::optional<Window> shorter = openHistoryWithTheMenuKey(*window);
        QVERIFY2(shorter, "the history did not open again");
        QVERIFY(shorter->frame.height() < menu->frame.height());
        key(u"Escape"_qs);
        QVERIFY(waitFor([&] { return !popup(*window); }));
        key(u"alt+Down"_qs);
        QVERIFY2(waitFor([&] { return commandMenu(*window).has_value(); }),
                 "Alt+Down did not open the history");
        key(u"Down Return"_qs);
        QVERIFY2(namesBecome({u"file1.txt"_qs, u"file2.txt"_qs}), qPrintable(names().join(u", ")));
    }

    // With a tray icon shown, closing the window only hides it; quitting ends the process and
    // frees the single-instance lock, every time.
    void quitWithTheTrayShowing()
    {
        for (int attempt = 1; attempt <= 5; ++attempt) {
            const std::optional<Window> window = startProgram();
            QVERIFY2(window, "the window never appeared");
            QVERIFY2(waitFor([&] { return hasTrayIcon(); }), "no tray icon appeared");
            QElapsedTimer clock;
            clock.start();
            QVERIFY2(quitWithTheKeyboard(*window),
                     qPrintable(u"quit %1 left the process running"_qs.arg(attempt)));
            qInfo("quit %d ended the process after %lld ms", attempt, clock.elapsed());
            QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
            QCOMPARE(m_app.exitCode(), 0);
            QVERIFY2(lockIsFree(), "the process ended but left the lock held");
        }
    }
};

BRISKLET_TEST(EndToEndTest)
#include "tst_endtoend.moc"
