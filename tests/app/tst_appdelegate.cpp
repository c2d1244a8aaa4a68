#include "testmain.h"

#include "appdelegate.h"
#include "dialogs/alertdialog.h"
#include "disk/posixfilemover.h"
#include "engine/stepbuilders.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"
#include "supportrequest.h"
#include "window/contentview.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QUrlQuery>

#include <cstdio>

// The application as launched, with the real "Add Files" dialog for what the end-to-end test
// does not do with it, and the support e-mail it hands to the desktop.
class AppDelegateTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QTemporaryDir> m_files; // a.txt, b.txt and c.txt
    std::unique_ptr<AppDelegate> m_delegate;
    QString settingsFile() const { return m_folder.filePath(u"Brisklet.conf"_qs); }
    RenameEngine *engine() const { return m_delegate->renameEngine(); }
    MainWindow *window() const { return m_delegate->mainWindow(); }
    QString file(const QString &name) const { return m_files->filePath(name); }

    void launch()
    {
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat),
            std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                           std::make_unique<PosixFileMover>()));
        QVERIFY(!window()); // nothing shown before launching finishes
        m_delegate->applicationDidFinishLaunching();
    }

    template <typename Widget> static Widget *shown()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *found = qobject_cast<Widget *>(widget); found && found->isVisible())
                return found;
        }
        return nullptr;
    }

    QFileDialog *openChooser()
    {
        engine()->browseFiles();
        QFileDialog *dialog = shown<QFileDialog>();
        if (dialog)
            dialog->setDirectory(m_files->path());
        return dialog;
    }

    QStringList rowNames() const
    {
        QStringList names;
        for (const FileItem &item : engine()->files())
            names.append(item.originalName);
        return names;
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(settingsFile());
        m_files = std::make_unique<QTemporaryDir>();
        for (const QString &name : {u"a.txt"_qs, u"b.txt"_qs, u"c.txt"_qs})
            QVERIFY(QFile(file(name)).open(QIODevice::WriteOnly));
        launch();
    }

    void cleanup()
    {
        if (QFileDialog *dialog = shown<QFileDialog>())
            dialog->close();
        m_delegate.reset();
    }

    // Without the desktop's mail tools, the alert gives the address to write to.
    void contactSupportWithoutAMailProgram()
    {
        QTemporaryDir emptyPath;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(emptyPath.path()));
        window()->menuBar()->actions().last()->menu()->actions().at(0)->trigger();
        qputenv("PATH", path);
        AlertDialog *alert = nullptr;
        QTRY_VERIFY((alert = window()->findChild<AlertDialog *>()) && alert->isVisible());
        QVERIFY(alert->message().contains(SupportRequest::supportAddress()));
    }

    void mail_data()
    {
        QTest::addColumn<QString>("subject"); // empty: the default one
        QTest::addColumn<QString>("encoded"); // part of the mailto: text
        QTest::addColumn<QString>("arrives"); // the subject the mail program reads
        QTest::newRow("spaces as %20, line feeds as %0A")
            << QString()
            << u"?subject=Brisklet%20Support%20Request&body=Hello%20Brisklet%20Team,%0A%0A"_qs
            << u"Brisklet Support Request"_qs;
        QTest::newRow("subject with & and = arrives whole")
            << u"Q&A: caf\u00e9 = slow?"_qs << u"subject=Q%26A:%20caf%C3%A9%20%3D%20slow?&"_qs
            << u"Q&A: caf\u00e9 = slow?"_qs;
    }

    void mail()
    {
        QFETCH(QString, subject);
        QFETCH(QString, encoded);
        QFETCH(QString, arrives);
        const auto wanted = subject.isEmpty() ? std::nullopt : std::optional(subject);
        const QString name = u"Brisklet"_qs;
        const QString text = SupportRequest::mailtoText(u"help@example.com"_qs, name, wanted);
        QVERIFY2(text.startsWith(u"mailto:help@example.com?"_qs) && text.contains(encoded),
                 qPrintable(text));
        QCOMPARE(QUrlQuery(QUrl(text)).queryItemValue(u"subject"_qs, QUrl::FullyDecoded), arrives);

        // The desktop gets exactly the text that was built, not a re-encoded form of it.
        const QString savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(name);
        QUrl opened;
        SupportRequest::sendSupportRequest(
            wanted, [&](const QUrl &url) { return (opened = url).isValid(); });
        QCoreApplication::setApplicationName(savedName);
        QCOMPARE(QString::fromUtf8(opened.toEncoded()),
                 SupportRequest::mailtoText(SupportRequest::supportAddress(), name, wanted));
    }

    void sidebarCommandHidesAndShowsTheSidebar()
    {
        QVERIFY(QTest::qWaitForWindowExposed(window()));
        ContentView *content = window()->contentView();
        auto *showSidebar = content->findChild<QToolButton *>(u"showSidebar"_qs);
        QMenu *view = window()->menuBar()->actions().at(1)->menu();
        QAction *toggle = view->actions().constFirst();
        QTest::keyClick(window(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(content->isSidebarCollapsed());
        Q_EMIT view->aboutToShow();
        QCOMPARE(toggle->text(), u"Show Sidebar"_qs);
        QTest::mouseClick(showSidebar, Qt::LeftButton); // the way back stays in sight
        QVERIFY(!content->isSidebarCollapsed() && !showSidebar->isVisible());
        Q_EMIT view->aboutToShow();
        QCOMPARE(toggle->text(), u"Hide Sidebar"_qs);
    }

    // Files chosen or handed over while files move join the list once they have moved;
    // taken at once, they would be refused by the busy engine and lost.
    void filesArrivingDuringABatchAreAddedAfterIt()
    {
        engine()->addFiles({QUrl::fromLocalFile(file(u"a.txt"_qs))});
        engine()->setOperation(0, prependStep(u"x-"_qs));
        engine()->updatePreview();
        QFileDialog *dialog = openChooser();
        QVERIFY(dialog);
        dialog->selectFile(file(u"c.txt"_qs));

        QVERIFY(engine()->startRename());
        static_cast<QDialog *>(dialog)->accept();
        m_delegate->handle(
            {LaunchRequest::Action::openFiles, {QUrl::fromLocalFile(file(u"b.txt"_qs))}});
        QCOMPARE(rowNames(), QStringList{u"a.txt"_qs}); // not while the batch runs
        QTRY_COMPARE(rowNames(), QStringList({u"x-a.txt"_qs, u"c.txt"_qs, u"b.txt"_qs}));
        QVERIFY(QFileInfo::exists(file(u"x-a.txt"_qs)));
    }

    // Escape adds nothing; the Open button takes several typed names, in order, in one
    // addition, and a folder the chooser lists whole raises no alert.
    void chosenFilesAreAddedInOneCall()
    {
        QFileDialog *dialog = openChooser();
        QVERIFY(dialog);
        dialog->selectFile(file(u"a.txt"_qs));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog->isVisible());
        QVERIFY(engine()->files().isEmpty());

        dialog = openChooser();
        auto *nameField = dialog->findChild<QLineEdit *>(u"fileNameEdit"_qs);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        nameField->setFocus();
        nameField->clear();
        QTest::keyClicks(nameField, u"\"c.txt\" \"a.txt\""_qs);
        if (QCompleter *completer = nameField->completer())
            completer->popup()->hide(); // a click elsewhere would close it first

        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open),
                          Qt::LeftButton);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(rowNames(), QStringList({u"c.txt"_qs, u"a.txt"_qs}));
        QCOMPARE(engine()->files().first().url.toUrl().toLocalFile(), file(u"c.txt"_qs));
        QVERIFY(!window()->findChild<AlertDialog *>(u"hiddenNamesAlert"_qs));
    }

    // Qt's chooser cannot list a name that is not valid UTF-8: choosing every file it shows
    // adds those, and the user is told how many it could not show.
    void chooserSaysWhatItCouldNotList()
    {
        const QByteArray odd = QFile::encodeName(m_files->path()) + "/caf\xe9.txt";
        FILE *made = std::fopen(odd.constData(), "w");
        QVERIFY(made);
        std::fclose(made);
        QFileDialog *dialog = openChooser();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto *list = dialog->findChild<QListView *>(u"listView"_qs);
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 3);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open),
                          Qt::LeftButton);
        QTRY_COMPARE(engine()->files().size(), 3);
        auto *alert = window()->findChild<AlertDialog *>(u"hiddenNamesAlert"_qs);
        QVERIFY(alert && alert->isVisible());
        QVERIFY2(alert->message().startsWith(u"1 item(s) in “"_qs), qPrintable(alert->message()));
    }

    // After Alt and a menu's letter and one Escape the menu bar keeps a title lit; Shift+Tab
    // then moves back in the window (Tab forward is driven in the real program).
    void shiftTabLeavesTheMenuBar()
    {
        m_delegate->handle({LaunchRequest::Action::showWindow, {}});
        QVERIFY(QTest::qWaitForWindowActive(window()));
        QWidget *start = window()->findChild<QWidget *>(u"addOperationButton"_qs);
        start->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), start);

        QTest::keyClick(start, Qt::Key_H, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now && now != window()->menuBar() && now != start);
        QVERIFY(window()->isAncestorOf(now));
        // One more Tab goes on from there: the window has the keyboard again.
        QTest::keyClick(now, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != now);
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
        QVERIFY(!QSettings(settingsFile(), QSettings::IniFormat)
                     .value(u"MainWindow"_qs)
                     .toByteArray()
                     .isEmpty()); // the frame is remembered

        m_delegate->handle(request);
        QVERIFY(shown->isVisible());
        QCOMPARE(engine()->files().size(), files);
        if (files)
            QCOMPARE(engine()->files().first().originalName, u"b.txt"_qs); // in the order given
        QVERIFY(!AppDelegateTest::shown<QFileDialog>());
        QTRY_COMPARE_WITH_TIMEOUT(AppDelegateTest::shown<QFileDialog>() != nullptr, chooser, 2000);
    }
};

BRISKLET_TEST(AppDelegateTest)
#include "tst_appdelegate.moc"
