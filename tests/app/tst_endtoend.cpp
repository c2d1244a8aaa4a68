#include "testmain.h"

#include "config.h"
#include "samplemedia.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRect>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

#include <unistd.h>

// Waits for the folder's names to become these.
#define VERIFY_NAMES(...)                                                                          \
    QVERIFY2(waitFor([&] { return names() == QStringList{__VA_ARGS__}; }),                         \
             qPrintable(names().join(u", ")))
// Waits for the files, in the order of their names, to be those made with these names.
#define VERIFY_CONTENTS(...)                                                                       \
    QVERIFY2(waitFor([&] { return contentsByName() == QStringList{__VA_ARGS__}; }),                \
             qPrintable(contentsByName().join(u", ") + u" in "_qs + names().join(u", ")))

// The shipped program on a real X server with a window manager and a tray, driven only by
// xdotool's keyboard and pointer; checks wait for outcomes, each test starts its own instance.
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

    // The visible windows of a process whose title matches (menus and tray icon included).
    QList<Window> windowsOf(const QProcess &process, const QString &title = {})
    {
        const auto [code, output] =
            run(u"xdotool"_qs, {u"search"_qs, u"--all"_qs, u"--onlyvisible"_qs, u"--pid"_qs,
                                QString::number(process.processId()), u"--name"_qs, title,
                                u"getwindowgeometry"_qs, u"--shell"_qs, u"%@"_qs});
        // Six lines a window: WINDOW, X, Y, WIDTH, HEIGHT and SCREEN.
        const QStringList lines = code == 0 ? output.split(u'\n') : QStringList();
        const auto value = [&](qsizetype line) { return lines.at(line).section(u'=', 1); };
        QList<Window> windows;
        for (qsizetype i = 0; i + 4 < lines.size(); i += 6)
            windows.append({value(i), QRect(value(i + 1).toInt(), value(i + 2).toInt(),
                                            value(i + 3).toInt(), value(i + 4).toInt())});
        return windows;
    }

    // The program's one large window titled "Brisklet" (the tray icon has the same title).
    std::optional<Window> mainWindow()
    {
        if (m_app.state() != QProcess::Running)
            return std::nullopt;
        for (const Window &window : windowsOf(m_app, u"^Brisklet$"_qs)) {
            if (window.frame.width() >= 400)
                return window;
        }
        return std::nullopt;
    }

    // Any window of the program over the main window: a menu, a dialog.
    std::optional<Window> popup(const Window &main)
    {
        for (const Window &window : windowsOf(m_app)) {
            if (window.id != main.id && window.frame.width() >= 64)
                return window;
        }
        return std::nullopt;
    }

    // Waits for a popup to be shown over the main window, or with `shown` false, for none.
    bool popupShown(const Window &main, bool shown = true)
    {
        return waitFor([&] { return popup(main).has_value() == shown; });
    }

    // A popup under the title bar's commands at the right of the main window: the history.
    std::optional<Window> commandMenu(const Window &main)
    {
        const std::optional<Window> shown = popup(main);
        return shown && shown->frame.left() >= main.frame.center().x() &&
                       shown->frame.top() < main.frame.top() + 150
                   ? shown
                   : std::nullopt;
    }

    // Presses the menu key (unlike Alt+Down it changes no data) at each focus stop backwards
    // until the history opens, closing other context menus.
    std::optional<Window> openHistoryWithTheMenuKey(const Window &main)
    {
        for (int stop = 0; stop < 25; ++stop) {
            key(u"shift+Tab Menu"_qs);
            std::optional<Window> shown;
            waitFor([&] { return (shown = popup(main)).has_value(); }, 250);
            if (shown && commandMenu(main))
                return shown;
            if (shown) {
                key(u"Escape"_qs);
                if (!popupShown(main, false))
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // Starts the program, waits for its window and gives it the keyboard.
    std::optional<Window> startProgram(const QStringList &arguments = {})
    {
        if (!startHelper(m_app, QStringLiteral(BRISKLET_BINARY), arguments) ||
            !waitFor([&] { return mainWindow().has_value(); }))
            return std::nullopt;
        activate(*mainWindow());
        return mainWindow();
    }

    void activate(const Window &window)
    {
        xdotool({u"windowactivate"_qs, u"--sync"_qs, window.id});
    }

    QStringList names() const { return m_folder.entryList(QDir::Files, QDir::Name); }

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

    // From the first step's first field (with `back`, activated and stepped back to it):
    // replace `find` in every name, then rename.
    void replaceAndRename(const QString &find, const QString &replacement,
                          const Window *back = nullptr)
    {
        if (back) {
            activate(*back);
            key(u"shift+Tab"_qs);
        }
        key(u"ctrl+a"_qs);
        type(find);
        key(u"Tab ctrl+a"_qs);
        type(replacement);
        key(u"ctrl+Return"_qs);
    }

    // The files of the folder in the order of their names, each told by its content: the
    // name it had when the test made it.
    QStringList contentsByName() const
    {
        QStringList contents;
        for (const QString &name : names()) {
            QFile file(m_folder.filePath(name));
            contents.append(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                           : QString());
        }
        return contents;
    }

    // From the first step's find field, where the window starts: the step numbers the files.
    void numberTheFiles()
    {
        key(u"shift+Tab"_qs);
        type(u"s"_qs); // the mode menu's only choice starting with S: Sequence
    }

    // The middle of a row of the file list, from the window's top left: under the menu bar
    // and the command bar, one row pitch apart.
    static QPoint rowPoint(const Window &window, int row, int within = 0)
    {
        constexpr int menuBar = 24, commandBar = 48, pitch = 53;
        return window.frame.topLeft() +
               QPoint(window.frame.width() * 2 / 3,
                      menuBar + commandBar + pitch * row + pitch / 2 + within);
    }

    void pointerTo(QPoint point, bool sync = true)
    {
        QStringList arguments{u"mousemove"_qs};
        if (sync)
            arguments.append(u"--sync"_qs);
        xdotool(arguments << QString::number(point.x()) << QString::number(point.y()));
    }

    // From the list (a click below its rows: it takes the keyboard, and no row is selected),
    // `open` opens a menu and `choose` picks from it. True once the menu came and went.
    bool chooseFromTheList(const Window &window, const QString &open, const QString &choose)
    {
        pointerTo(rowPoint(window, 5));
        xdotool({u"click"_qs, u"1"_qs});
        key(open);
        if (!popupShown(window))
            return false;
        key(choose);
        return popupShown(window, false);
    }

    // Presses the button at `from` and releases it at `to`, with the motion the drag protocol
    // between two X clients needs: the last steps wiggle over the target so that it answers
    // before the release.
    void drag(QPoint from, QPoint to)
    {
        pointerTo(from);
        xdotool({u"mousedown"_qs, u"1"_qs});
        constexpr int steps = 12;
        for (int step = 1; step <= steps + 3; ++step) {
            pointerTo(step <= steps ? from + (to - from) * step / steps
                                    : to + QPoint(step - steps, 0),
                      false);
            QTest::qWait(40);
        }
        xdotool({u"mouseup"_qs, u"1"_qs});
    }

    // Drags files from another process onto a point of the main window. True once accepted.
    bool dragOnto(const QStringList &paths, const Window &target, QPoint at)
    {
        QList<Window> sources;
        if (!startHelper(m_dragSource, QStringLiteral(BRISKLET_DRAG_SOURCE), paths) ||
            !waitFor([&] {
                return !(sources = windowsOf(m_dragSource, u"^Brisklet Drag Source$"_qs)).isEmpty();
            }))
            return false;
        drag(sources.first().frame.center(), target.frame.topLeft() + at);
        const bool ended = waitFor([&] { return m_dragSource.canReadLine(); });
        const QByteArray outcome = m_dragSource.readLine().trimmed();
        stopHelper(m_dragSource); // only now: the target reads the data after the drop
        return ended && outcome == "accepted";
    }

    // The tray host's panel carries no process id; its class names it.
    bool trayHostShown()
    {
        return xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--class"_qs, u"^trayer$"_qs});
    }

    bool startTrayHost()
    {
        return startHelper(m_trayHost, u"trayer"_qs,
                           {u"--edge"_qs, u"bottom"_qs, u"--align"_qs, u"right"_qs,
                            u"--widthtype"_qs, u"pixel"_qs, u"--width"_qs, u"120"_qs,
                            u"--height"_qs, u"24"_qs}) &&
               waitFor([&] { return trayHostShown(); }, 20000);
    }

    bool hasTrayIcon()
    {
        const QList<Window> windows = windowsOf(m_app);
        return std::any_of(windows.cbegin(), windows.cend(),
                           [](const Window &icon) { return icon.frame.width() < 64; });
    }

    // The mean grey level, 0 (black) to 255 (white), of the window as the X server shows it,
    // taken by another program; -1 without a picture.
    int meanGrey(const Window &window)
    {
        const QString file = QDir(m_home.path()).filePath(u"screenshot.png"_qs);
        QFile::remove(file);
        const QImage image = run(u"import"_qs, {u"-window"_qs, window.id, file}).first == 0
                                 ? QImage(file)
                                 : QImage();
        return image.isNull()
                   ? -1
                   : qGray(image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .pixel(0, 0));
    }

    bool startHelper(QProcess &process, const QString &program, const QStringList &arguments)
    {
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        return process.waitForStarted(10000);
    }

    // The program is killed: terminating it would only be another way to quit.
    static void stopHelper(QProcess &process, bool kill = false)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        kill ? process.kill() : process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Skipped per function: a skip here would also stop the classes run after this.
        for (const char *program : {"Xvfb", "xdotool", "openbox", "trayer"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
                m_unavailable = "Xvfb, xdotool, openbox and trayer drive the real program "
                                "(scripts/setup installs them)";
                return;
            }
        }
        QVERIFY(m_home.isValid());
        // Xvfb picks a free display and writes its number once it is ready.
        m_xvfb.start(u"Xvfb"_qs, {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs,
                                  u"1280x800x24"_qs, u"-nolisten"_qs, u"tcp"_qs});
        while (!m_xvfb.canReadLine() && m_xvfb.waitForReadyRead(10000)) {
        }
        if (!m_xvfb.canReadLine()) {
            m_unavailable = "Xvfb does not start here";
            return;
        }
        const QString display = QString::fromLatin1(m_xvfb.readLine()).trimmed();

        // Nothing written reaches the real home; the runtime folder is private, as in a session.
        const QDir home(m_home.path());
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"CONFIG_HOME"_qs, u"STATE_HOME"_qs, u"DATA_HOME"_qs,
                                    u"CACHE_HOME"_qs, u"RUNTIME_DIR"_qs}) {
            const QString folder = home.filePath(name.section(u'_', 0, 0).toLower());
            QVERIFY(home.mkpath(folder));
            m_environment.insert(u"XDG_"_qs + name, folder);
        }
        QVERIFY(QFile::setPermissions(home.filePath(u"runtime"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_environment.insert(u"DISPLAY"_qs, u":"_qs + display);
        m_environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        m_environment.insert(u"HOME"_qs, home.path());
        for (const char *name :
             {"SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORMTHEME"})
            m_environment.remove(QString::fromLatin1(name));
        // In a sanitizer build the system's D-Bus library leaks at exit; not what is tested.
        QFile suppressions(home.filePath(u"lsan.supp"_qs));
        QVERIFY(suppressions.open(QIODevice::WriteOnly) &&
                suppressions.write("leak:libdbus-1.so\n"));
        suppressions.close();
        m_environment.insert(u"LSAN_OPTIONS"_qs, u"suppressions="_qs + suppressions.fileName());
        m_folder = QDir(home.filePath(u"files"_qs));
        QVERIFY(home.mkpath(u"files"_qs));

        // The window manager gives focus as a desktop does; the tray is why closing only hides.
        QVERIFY(startHelper(m_windowManager, u"openbox"_qs, {u"--sm-disable"_qs}));
        QVERIFY2(waitFor([&] { return xdotool({u"get_num_desktops"_qs}); }, 20000),
                 m_windowManager.readAllStandardError().constData());
        QVERIFY(startTrayHost());
    }

    void cleanupTestCase()
    {
        cleanup();
        for (QProcess *process : {&m_trayHost, &m_windowManager, &m_xvfb})
            stopHelper(*process);
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
        stopHelper(m_app, true);
    }

    void renameAndUndoThroughTheKeyboard()
    {
        const QStringList paths = makeFiles({u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs});
        const std::optional<Window> window = startProgram(paths.mid(0, 1));
        QVERIFY(window);

        // A second launch hands more files over and exits at once. The first file, already
        // listed, comes again under another spelling: it keeps its one row, so no name below
        // meets itself as a duplicate.
        const QString firstAgain = m_folder.filePath(u"../files/./file1.txt"_qs);
        QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), paths.mid(1) << firstAgain).first, 0);

        // A new name another file already has: renaming asks first; nothing moves meanwhile.
        activate(*window);
        type(u"file1"_qs);
        key(u"Tab"_qs);
        type(u"file2"_qs);
        const QStringList before = names();
        key(u"ctrl+Return"_qs);
        QVERIFY2(popupShown(*window), "renaming with a duplicate name did not ask first");
        QCOMPARE(names(), before);
        key(u"Escape"_qs);
        QVERIFY2(popupShown(*window, false), "the question did not close");
        QCOMPARE(names(), before);

        // Then a clean change, renamed at once.
        replaceAndRename(u"file"_qs, u"doc"_qs, &*window);
        VERIFY_NAMES(u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs);
        QFile first(m_folder.filePath(u"doc1.txt"_qs));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("file1.txt"));
        replaceAndRename(u"doc"_qs, u"img"_qs, &*window);
        VERIFY_NAMES(u"img1.txt"_qs, u"img2.txt"_qs, u"img3.txt"_qs);

        // In the history, up from the top wraps to the last item: the newest rename is undone.
        activate(*window);
        QVERIFY2(openHistoryWithTheMenuKey(*window),
                 "no stop in the window opened the history with the menu key");
        key(u"Up Return"_qs);
        VERIFY_NAMES(u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs);
        // Alt+Down opens it too; the one entry left undoes the first rename.
        activate(*window);
        key(u"alt+Down"_qs);
        QVERIFY2(waitFor([&] { return commandMenu(*window).has_value(); }),
                 "Alt+Down did not open the history");
        key(u"Down Return"_qs);
        VERIFY_NAMES(u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs);
    }

    // Tabbing round the window into the file list brings up the current row's tooltip, the
    // name after each step, beside the list.
    void fileRowTellsItsStepsToTheKeyboard()
    {
        const std::optional<Window> window = startProgram(makeFiles({u"step.txt"_qs}));
        QVERIFY(window);
        activate(*window);
        type(u"step"_qs);
        key(u"Tab"_qs);
        type(u"pace"_qs);
        std::optional<Window> tip;
        for (int stop = 0; stop < 30 && !tip; ++stop) {
            key(u"Tab"_qs);
            waitFor([&] { return (tip = popup(*window)).has_value(); }, 250);
        }
        QVERIFY2(tip, "no stop on the way round the window showed a tooltip");
        QVERIFY(tip->frame.left() > window->frame.left() + window->frame.width() / 3);
        QTest::qWait(1000);
        QVERIFY2(popup(*window), "the tooltip went by itself");
        key(u"Escape"_qs);
        QVERIFY2(popupShown(*window, false), "Escape left the tooltip up");
    }

    // A batch whose recovery record cannot be written does not start: the window says why,
    // nothing moves, and the same rename goes through once the folder takes it again.
    void noRenameWithoutRecoveryRecord()
    {
        if (::geteuid() != 0)
            QSKIP("Only root can mount the read-only state folder here");
        const QStringList paths = makeFiles({u"file1.txt"_qs});
        const QString state = m_environment.value(u"XDG_STATE_HOME"_qs) + u"/brisklet"_qs;
        QVERIFY(QDir().mkpath(state));
        QCOMPARE(
            run(u"mount"_qs, {u"-t"_qs, u"tmpfs"_qs, u"-o"_qs, u"ro"_qs, u"tmpfs"_qs, state}).first,
            0);
        bool mounted = true;
        const auto unmount = qScopeGuard([&] {
            if (mounted)
                run(u"umount"_qs, {u"-l"_qs, state});
        });
        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);

        replaceAndRename(u"file"_qs, u"doc"_qs);
        QVERIFY(waitFor([&] { return !windowsOf(m_app, u"^Nothing Was Renamed$"_qs).isEmpty(); }));
        QCOMPARE(names(), QStringList{u"file1.txt"_qs});
        key(u"Return"_qs);
        QVERIFY2(popupShown(*window, false), "the alert did not close");

        QCOMPARE(run(u"umount"_qs, {state}).first, 0);
        mounted = false;
        activate(*window);
        key(u"ctrl+Return"_qs);
        VERIFY_NAMES(u"doc1.txt"_qs);
    }

    // Ctrl+Z takes back the last batch, except in a text field, where it takes back typing;
    // Tab still moves on after Alt+H and Escape have left a menu title lit.
    void undoKeyAndTabAfterTheMenuBar()
    {
        const QStringList paths = makeFiles({u"file1.txt"_qs, u"file2.txt"_qs});
        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);

        // The window starts in the first step's find field.
        type(u"file"_qs);
        key(u"alt+h"_qs);
        QVERIFY2(popupShown(*window), "Alt+H opened no menu");
        key(u"Escape"_qs);
        QVERIFY2(popupShown(*window, false), "the menu did not close");
        key(u"Tab"_qs);
        type(u"doc"_qs);
        key(u"ctrl+Return"_qs);
        VERIFY_NAMES(u"doc1.txt"_qs, u"doc2.txt"_qs);

        // In the field just typed in, Ctrl+Z is the field's.
        key(u"ctrl+z"_qs);
        QTest::qWait(1000);
        QCOMPARE(names(), QStringList({u"doc1.txt"_qs, u"doc2.txt"_qs}));

        // In the list, it undoes the batch.
        pointerTo(window->frame.topLeft() +
                  QPoint(window->frame.width() * 2 / 3, window->frame.height() / 2));
        xdotool({u"click"_qs, u"1"_qs});
        key(u"ctrl+z"_qs);
        VERIFY_NAMES(u"file1.txt"_qs, u"file2.txt"_qs);
    }

    // Files come by a drop onto the empty drop zone, a drop onto the list and the chooser.
    void addFilesByDropAndThroughTheChooser()
    {
        const QStringList paths = makeFiles(
            {u"file1.txt"_qs, u"file2.txt"_qs, u"file3.txt"_qs, u"file4.txt"_qs, u"file5.txt"_qs});
        const std::optional<Window> window = startProgram();
        QVERIFY(window);

        const QPoint fileArea(window->frame.width() * 2 / 3, window->frame.height() / 2);
        QVERIFY2(dragOnto(paths.mid(0, 2), *window, fileArea),
                 "the drop zone did not take the drop");
        // The second file again, with the third: it is listed once.
        QVERIFY2(dragOnto(paths.mid(1, 2), *window, fileArea), "the list did not take the drop");

        activate(*window);
        key(u"ctrl+o"_qs);
        QVERIFY2(waitFor([&] { return !windowsOf(m_app, u"^Add Files$"_qs).isEmpty(); }),
                 "the chooser did not open");
        // In the name field: a folder and Return enter it, then a quoted name chooses one.
        type(m_folder.path());
        key(u"Return"_qs);
        type(u"\"file5.txt\""_qs);
        key(u"Return"_qs);
        QVERIFY2(waitFor([&] { return windowsOf(m_app, u"^Add Files$"_qs).isEmpty(); }),
                 "the chooser did not close");

        // Only the added files are in the list, so only they are renamed.
        activate(*window);
        replaceAndRename(u"file"_qs, u"doc"_qs);
        VERIFY_NAMES(u"doc1.txt"_qs, u"doc2.txt"_qs, u"doc3.txt"_qs, u"doc5.txt"_qs,
                     u"file4.txt"_qs);
    }

    // Rows dragged with the pointer and moved with Alt+Down take their new places, and the
    // numbers on disk follow them.
    void reorderByDragAndKeyboardThenNumber()
    {
        const QStringList paths = makeFiles({u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs});
        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);
        numberTheFiles();

        // "a" dragged onto the lower half of "c": it lands after it.
        drag(rowPoint(*window, 0), rowPoint(*window, 2, 15));
        QTest::qWait(300);
        // Then "b", now first, selected by a click and moved down one place: c b a d.
        pointerTo(rowPoint(*window, 0));
        xdotool({u"click"_qs, u"1"_qs});
        key(u"alt+Down"_qs);
        key(u"ctrl+Return"_qs);
        VERIFY_CONTENTS(u"c"_qs, u"b"_qs, u"a"_qs, u"d"_qs);
    }

    // The Sort control of the list's bar, reached by the keyboard, sorts by name with the
    // numbers in names taken as numbers.
    void sortThroughTheBarByKeyboard()
    {
        const QStringList paths = makeFiles({u"IMG_10"_qs, u"IMG_100"_qs, u"IMG_9"_qs});
        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);
        numberTheFiles();
        // Add, Clear (Remove waits for a selection), then Sort.
        QVERIFY2(chooseFromTheList(*window, u"Tab Tab Tab space"_qs, u"n"_qs),
                 "the Sort control's menu did not open and close");
        key(u"ctrl+Return"_qs);
        VERIFY_CONTENTS(u"IMG_9"_qs, u"IMG_10"_qs, u"IMG_100"_qs);
    }

    // Photos named in one order and taken in another, sorted by date taken through the menu
    // bar and numbered: the numbers on disk follow the dates taken, and the two photos
    // without one come last, the older date modified first. The dates taken are later than
    // any date modified, so an undated photo placed among the others by its date modified
    // would come first.
    void numberPhotosByDateTaken()
    {
        QRandomGenerator random(25);
        QList<QDateTime> taken;
        for (int i = 0; i < 200; ++i)
            taken.append(QDateTime(QDate(2030, 1, 1), QTime(9, 0)).addSecs(i * 25301LL));
        QList<QDateTime> shuffled = taken;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        QStringList paths;
        QHash<QByteArray, QString> photoOf; // each file's bytes, the date it was taken
        const auto photo = [&](const QString &path, const SampleMedia::Photo &made,
                               const QString &label) {
            QFile file(path);
            if (!SampleMedia::writeJpeg(path, made) || !file.open(QIODevice::ReadOnly))
                return false;
            photoOf.insert(file.readAll(), label);
            paths.append(path);
            return true;
        };
        for (int i = 0; i < 200; ++i) {
            const QString name = u"DSC_%1.jpg"_qs.arg(random.bounded(10000) * 1000 + i);
            QVERIFY(photo(m_folder.filePath(name), {shuffled[i], {}},
                          shuffled[i].toString(Qt::ISODate)));
        }
        QStringList expected;
        for (const QDateTime &date : std::as_const(taken))
            expected.append(date.toString(Qt::ISODate));
        for (const auto &[camera, year] : {std::pair{u"B"_qs, 2019}, std::pair{u"A"_qs, 2020}}) {
            const QString path = m_folder.filePath(u"DSC_0%1.jpg"_qs.arg(camera));
            QVERIFY(photo(path, {std::nullopt, camera}, u"undated "_qs + camera));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(QDateTime(QDate(year, 6, 1), QTime(12, 0)),
                                     QFileDevice::FileModificationTime));
            expected.append(u"undated "_qs + camera);
        }

        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);
        numberTheFiles();
        key(u"alt+f s t"_qs); // File ▸ Sort ▸ Date Taken
        QVERIFY2(popupShown(*window, false), "the Sort menu did not close");
        key(u"ctrl+Return"_qs);
        const auto numbered = [&] {
            QStringList labels;
            for (int number = 1; number <= 202; ++number) {
                QFile file(
                    m_folder.filePath(u"File - %1.jpg"_qs.arg(number, 2, 10, QLatin1Char('0'))));
                labels.append(file.open(QIODevice::ReadOnly) ? photoOf.value(file.readAll())
                                                             : QString());
            }
            return labels;
        };
        QVERIFY2(waitFor([&] { return numbered() == expected; }, 30000),
                 qPrintable(numbered().join(u", ")));
    }

    // Artist - Title from the recordings' tags, by a saved workflow loaded through the
    // workflow panel's Load menu by keyboard: a "/" in a tag becomes "-", and a recording
    // without a title keeps its name.
    void audioArtistDashTitle()
    {
        using SampleMedia::AudioFormat;
        const std::tuple<QString, AudioFormat, QString, QString> recordings[] = {
            {u"track1.mp3"_qs, AudioFormat::mp3, u"Ann"_qs, u"Morning"_qs},
            {u"track2.mp3"_qs, AudioFormat::mp3, u"AC/DC"_qs, u"Thunder"_qs},
            {u"track3.flac"_qs, AudioFormat::flac, u"Bea"_qs, u"Night"_qs},
            {u"track4.mp3"_qs, AudioFormat::mp3, u"Cy"_qs, QString()}};
        QStringList paths;
        for (const auto &[name, format, artist, title] : recordings) {
            paths.append(m_folder.filePath(name));
            QVERIFY(SampleMedia::writeAudio(paths.last(), format, {artist, {}, title}));
        }
        // Saved from the command line, in the settings the window reads when it starts.
        QProcess save;
        save.setProcessEnvironment(m_environment);
        save.start(QStringLiteral(BRISKLET_CLI),
                   {u"--info"_qs, u"artist"_qs, u"--instead"_qs, u"--info"_qs, u"title"_qs,
                    u"--after"_qs, u"--separator"_qs, u" - "_qs, u"--save-workflow"_qs,
                    u"Artist - Title"_qs});
        QVERIFY(save.waitForFinished());
        QCOMPARE(save.readAllStandardOutput(), QByteArray("Workflow 'Artist - Title' saved\n"));

        const std::optional<Window> window = startProgram(paths);
        QVERIFY(window);
        // From the list, back to the Load command; its one saved workflow is the item above
        // Manage Workflows, the last.
        QVERIFY2(chooseFromTheList(*window, u"shift+Tab space"_qs, u"Up Up Return"_qs),
                 "the Load menu did not open and close");
        // The untitled recording is flagged: renaming asks first, and Rename Anyway follows
        // Cancel.
        key(u"ctrl+Return"_qs);
        const auto shown = [&](const QString &title) { return !windowsOf(m_app, title).isEmpty(); };
        const QString proceed = u"^Proceed with Warnings\\?$"_qs;
        const QString refused = u"^Nothing Was Renamed$"_qs;
        QVERIFY2(waitFor([&] { return shown(proceed) || shown(refused); }),
                 "renaming did not ask about the flagged file");
        // Asked before the recordings were read (a slow build can be that quick), the rename
        // waits for them and then refuses the flagged file; asked again, it asks first.
        if (shown(refused)) {
            key(u"Return"_qs);
            QVERIFY(waitFor([&] { return !shown(refused); }));
            key(u"ctrl+Return"_qs);
            QVERIFY2(waitFor([&] { return shown(proceed); }),
                     "renaming did not ask about the flagged file");
        }
        key(u"Tab space"_qs);
        VERIFY_NAMES(u"AC-DC - Thunder.mp3"_qs, u"Ann - Morning.mp3"_qs, u"Bea - Night.flac"_qs,
                     u"track4.mp3"_qs);
    }

    // Quitting ends the process and frees the lock, every time, also with a tray icon shown.
    // Closing hides the window only where a tray icon can bring it back; on a desktop without
    // a tray it quits, by the window manager's close and the menu's Close Window alike.
    void closeAndQuit_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("times");
        QTest::newRow("tray, Quit") << true << u"ctrl+q"_qs << 5;
        QTest::newRow("tray, window manager's close") << true << u"alt+F4"_qs << 1;
        QTest::newRow("no tray, window manager's close") << false << u"alt+F4"_qs << 1;
        QTest::newRow("no tray, Close Window") << false << u"ctrl+w"_qs << 1;
    }

    void closeAndQuit()
    {
        QFETCH(bool, tray);
        QFETCH(QString, keys);
        QFETCH(int, times);
        if (!tray) {
            stopHelper(m_trayHost);
            QVERIFY2(waitFor([&] { return !trayHostShown(); }), "the tray host did not go");
        }
        const auto restoreTray = qScopeGuard([&] {
            if (!tray && !startTrayHost())
                qWarning("the tray host did not come back");
        });
        const bool hides = tray && keys != u"ctrl+q"_qs;
        for (int attempt = 1; attempt <= times; ++attempt) {
            const std::optional<Window> window = startProgram();
            QVERIFY(window);
            QCOMPARE(waitFor([&] { return hasTrayIcon(); }, tray ? 10000 : 1000), tray);
            activate(*window);
            key(keys);
            if (hides) {
                QVERIFY2(waitFor([&] { return !mainWindow(); }), "the window did not close");
                QVERIFY(!m_app.waitForFinished(1000));
                QCOMPARE(run(QStringLiteral(BRISKLET_BINARY), {}).first, 0);
                QVERIFY(waitFor([&] { return mainWindow() && mainWindow()->id == window->id; }));
                return;
            }
            QVERIFY2(m_app.waitForFinished(5000), qPrintable(QString::number(attempt)));
            QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
            QCOMPARE(m_app.exitCode(), 0);
            QLockFile lock(QDir(m_home.path()).filePath(u"runtime/brisklet-instance.lock"_qs));
            QVERIFY2(lock.tryLock(0), "the process ended but left the lock held");
        }
    }

    // Help, the version and a mistyped option are answered in the terminal, with no display
    // too, and never reach a running window; names after "--" are files whatever they start
    // with.
    void commandLineOptionsAnswerInTheTerminal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // the start of standard output
        QTest::addColumn<QString>("error");  // the whole of standard error

        const QString version = u"brisklet "_qs + QStringLiteral(BRISKLET_VERSION);
        const QString usage = u"Usage: brisklet [--add-files] [--] [FILE...]"_qs;
        QTest::newRow("--help") << QStringList{u"--help"_qs} << 0 << usage << QString();
        QTest::newRow("-h with a file")
            << QStringList{u"a.txt"_qs, u"-h"_qs} << 0 << usage << QString();
        QTest::newRow("--version") << QStringList{u"--version"_qs} << 0 << version << QString();
        QTest::newRow("unknown option")
            << QStringList{u"--verbose"_qs, u"a.txt"_qs} << 2 << QString()
            << u"brisklet: unknown option --verbose (see --help)"_qs;
        QTest::newRow("lone dash") << QStringList{u"-"_qs} << 2 << QString()
                                   << u"brisklet: unknown option - (see --help)"_qs;
        QTest::newRow("help first, then a mistake")
            << QStringList{u"--help"_qs, u"--verbose"_qs} << 0 << usage << QString();
    }

    void commandLineOptionsAnswerInTheTerminal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        // A running instance with its window hidden: anything handed to it would show it.
        const std::optional<Window> window = startProgram();
        QVERIFY(window);
        key(u"ctrl+w"_qs);
        QVERIFY2(waitFor([&] { return !mainWindow(); }), "the window did not close");

        QProcessEnvironment withoutDisplay = m_environment;
        withoutDisplay.remove(u"DISPLAY"_qs);
        const bool needsDisplay = status != 0; // Qt's own options are known only with one
        for (const QProcessEnvironment &environment :
             needsDisplay ? QList{m_environment} : QList{m_environment, withoutDisplay}) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(m_folder.path());
            process.start(QStringLiteral(BRISKLET_BINARY), arguments);
            QVERIFY2(process.waitForFinished(10000), "the program did not end by itself");
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), status);
            const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
            QVERIFY2(output.isEmpty() ? out.isEmpty() : out.startsWith(output), qPrintable(out));
            QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()).trimmed(), error);
        }
        QVERIFY(!waitFor([&] { return mainWindow().has_value(); }, 1500)); // not handed over
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    void namesAfterTheEndOfOptionsOpen()
    {
        makeFiles({u"-help.txt"_qs, u"--help"_qs, u"help.txt"_qs});
        m_app.setWorkingDirectory(m_folder.path());
        const auto resetDirectory = qScopeGuard([&] { m_app.setWorkingDirectory({}); });
        const std::optional<Window> window =
            startProgram({u"--"_qs, u"-help.txt"_qs, u"--help"_qs,
                          QUrl::fromLocalFile(m_folder.filePath(u"help.txt"_qs)).toString()});
        QVERIFY(window);
        replaceAndRename(u"help"_qs, u"aid"_qs);
        VERIFY_NAMES(u"--aid"_qs, u"-aid.txt"_qs, u"aid.txt"_qs);
    }

    // The desktop switches between light and dark while the program runs: the settings
    // portal on the session bus announces it, and the window the X server shows follows.
    void followsTheDesktopColourScheme()
    {
        for (const char *program : {"dbus-daemon", "import"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                QSKIP("dbus-daemon and ImageMagick's import are needed (scripts/setup)");
        }
        QProcess bus;
        bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
        QVERIFY(bus.waitForStarted());
        QVERIFY(waitFor([&] { return bus.canReadLine(); }));
        const QString address = QString::fromUtf8(bus.readLine().trimmed());
        const QProcessEnvironment sessionless = m_environment;
        m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, address);
        QProcess portal;
        const auto stopAll = qScopeGuard([&] {
            m_environment = sessionless;
            stopHelper(m_app, true);
            stopHelper(portal);
            stopHelper(bus);
        });
        QVERIFY(startHelper(portal, QStringLiteral(BRISKLET_SETTINGS_PORTAL), {u"2"_qs}));
        QVERIFY(waitFor([&] { return portal.canReadLine(); }));
        QCOMPARE(portal.readLine().trimmed(), QByteArray("ready"));

        const std::optional<Window> window = startProgram();
        QVERIFY(window);
        int grey = -1;
        QVERIFY2(waitFor([&] { return (grey = meanGrey(*window)) > 180; }),
                 qPrintable(QString::number(grey)));
        const int light = grey;

        for (const auto &[setting, toDark] : {std::pair{"1\n", true}, std::pair{"2\n", false}}) {
            const bool dark = toDark; // clang 14 (clazy) cannot capture a structured binding
            portal.write(setting);
            QVERIFY(waitFor([&] { return portal.canReadLine(); }));
            QVERIFY(portal.readLine().startsWith("changed"));
            // Dark is about 40, light about 240; a blinking cursor moves a level.
            QVERIFY2(waitFor([&] {
                         grey = meanGrey(*window);
                         return dark ? grey >= 0 && grey < 80 : std::abs(grey - light) <= 2;
                     }),
                     qPrintable(u"%1 after the switch, %2 at the start"_qs.arg(grey).arg(light)));
        }
        QCOMPARE(m_app.state(), QProcess::Running);
    }
};

BRISKLET_TEST(EndToEndTest)
#include "tst_endtoend.moc"
