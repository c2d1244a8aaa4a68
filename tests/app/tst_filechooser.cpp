#include "testmain.h"

#include "appdelegate.h"
#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The real "Add Files" dialog, for what the end-to-end test does not do with it: the Open
// button, a file picked in the list, cancelling, and one addition for several files.
class FileChooserTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;

    RenameEngine *engine() const { return m_delegate->renameEngine(); }

    static QFileDialog *openChooser()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible())
                return dialog;
        }
        return nullptr;
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
        QVERIFY(m_folder.isValid());
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
            QFile file(m_folder.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                        QSettings::IniFormat),
            std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                           std::make_unique<PosixFileMover>()));
        m_delegate->applicationDidFinishLaunching();
    }

    void cleanup()
    {
        if (QFileDialog *dialog = openChooser())
            dialog->close();
        m_delegate.reset();
    }

    void chosenFilesAreAddedInOneCall_data()
    {
        QTest::addColumn<QString>("typed"); // empty: picked in the list instead
        QTest::addColumn<QStringList>("picked");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("several names typed")
            << u"\"c.txt\" \"a.txt\""_qs << QStringList() << QStringList{u"c.txt"_qs, u"a.txt"_qs};
        QTest::newRow("one picked in the list")
            << QString() << QStringList{u"a.txt"_qs} << QStringList{u"a.txt"_qs};
    }

    void chosenFilesAreAddedInOneCall()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, picked);
        QFETCH(QStringList, expected);

        engine()->browseFiles();
        QFileDialog *dialog = openChooser();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), u"Add Files"_qs);
        dialog->setDirectory(m_folder.path());

        auto *nameField = dialog->findChild<QLineEdit *>(u"fileNameEdit"_qs);
        QVERIFY(nameField);
        if (!typed.isEmpty()) {
            dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            nameField->setFocus();
            nameField->clear();
            QTest::keyClicks(nameField, typed);
            // A click elsewhere would close the completion list first.
            if (QCompleter *completer = nameField->completer())
                completer->popup()->hide();
        }
        for (const QString &name : picked)
            dialog->selectFile(m_folder.filePath(name));

        QSignalSpy filesChanged(engine(), &RenameEngine::filesChanged);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QPushButton *open = buttons->button(QDialogButtonBox::Open);
        QVERIFY(open && open->isEnabled());
        QTest::mouseClick(open, Qt::LeftButton);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(rowNames(), expected);
        QCOMPARE(engine()->files().first().url.toLocalFile(), m_folder.filePath(expected.first()));
        // One addition and its preview, not one per file.
        QCOMPARE(filesChanged.count(), 2);
    }

    // Chosen while a batch runs, the files join the list once it is done instead of being
    // refused by the busy engine.
    void filesChosenDuringABatchAreAddedAfterIt()
    {
        engine()->addFiles({QUrl::fromLocalFile(m_folder.filePath(u"a.txt"_qs))});
        RenameOperationWrapper prefix = engine()->operations().first();
        prefix.mode = RenameMode::prepend;
        prefix.prependText = u"x-"_qs;
        engine()->setOperation(0, prefix);
        engine()->updatePreview();
        engine()->browseFiles();
        QFileDialog *dialog = openChooser();
        QVERIFY(dialog);
        dialog->setDirectory(m_folder.path());
        dialog->selectFile(m_folder.filePath(u"b.txt"_qs));

        QVERIFY(engine()->startRename());
        static_cast<QDialog *>(dialog)->accept();
        QCOMPARE(rowNames(), QStringList{u"a.txt"_qs}); // not while the batch runs
        QTRY_COMPARE(rowNames(), QStringList({u"x-a.txt"_qs, u"b.txt"_qs}));
    }

    void cancellingAddsNothing()
    {
        engine()->browseFiles();
        QFileDialog *dialog = openChooser();
        QVERIFY(dialog);
        dialog->setDirectory(m_folder.path());
        dialog->selectFile(m_folder.filePath(u"a.txt"_qs));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog->isVisible());
        QVERIFY(engine()->files().isEmpty());
    }
};

BRISKLET_TEST(FileChooserTest)
#include "tst_filechooser.moc"
