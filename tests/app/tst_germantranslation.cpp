#include "testmain.h"

#include "appdelegate.h"
#include "mainwindow.h"
#include "translationloader.h"
#include "ui/uitesthelpers.h"

#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QSettings>

// The program as a German desktop session starts it: LANGUAGE=de, read through the system
// locale by the loader the program calls.
class GermanTranslationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;
    MainWindow *window() const { return m_delegate->mainWindow(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TranslationLoader::install(*QCoreApplication::instance()));
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                        QSettings::IniFormat),
            UiTest::makeEngine());
        m_delegate->applicationDidFinishLaunching();
    }

    void cleanupTestCase() { m_delegate.reset(); }

    // One file and several take different forms.
    void windowMenusAndAlert_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("clearMessage");
        QTest::newRow("one") << 1 << u"1 Datei"_qs << u"Damit wird 1 Datei aus der Liste"_qs;
        QTest::newRow("several") << 3 << u"3 Dateien"_qs
                                 << u"Damit werden alle 3 Dateien aus der Liste"_qs;
    }

    void windowMenusAndAlert()
    {
        QFETCH(int, files);
        QFETCH(QString, count);
        QFETCH(QString, clearMessage);
        RenameEngine *engine = m_delegate->renameEngine();
        engine->clearAll();
        engine->addFiles(UiTest::numberedUrls(files));
        QCOMPARE(UiTest::child<QLabel>(window(), u"fileCount"_qs)->text(), count);
        QCOMPARE(UiTest::action(window(), u"renameAction"_qs)->text(), u"Umbenennen"_qs);

        UiTest::child<QAbstractButton>(window(), u"clearFilesButton"_qs)->click();
        AlertDialog *alert = UiTest::shownAlert(window());
        QCOMPARE(alert->title(), u"Alle Dateien entfernen?"_qs);
        QVERIFY2(alert->message().startsWith(clearMessage), qPrintable(alert->message()));
        QCOMPARE(alert->buttons().constFirst()->text(), u"Abbrechen"_qs);
        alert->reject();
    }

    // A new sequence step counts after a German word; a workflow saved with "File" keeps it.
    void newSequenceStepSpeaksGerman()
    {
        RenameEngine *engine = m_delegate->renameEngine();
        engine->addOperation();
        QCOMPARE(engine->operations().constLast().sequenceBaseName, u"Datei"_qs);

        const auto reader = UiTest::makeEngine();
        reader->setOperation(0, {.mode = RenameMode::sequence});
        QVERIFY(reader->saveWorkflow(u"numbered"_qs));
        reader->addOperation();
        reader->loadWorkflow(u"numbered"_qs);
        QCOMPARE(reader->operations().constFirst().sequenceBaseName, u"File"_qs);
    }

    // Qt's own texts, those of the standard dialogs, follow when Qt's translations are there.
    void qtTexts()
    {
        if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                               u"/qtbase_de.qm"_qs))
            QSKIP("Qt's German translation is not installed");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Abbrechen"_qs);
    }
};

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "de");
    return BriskletTest::run<GermanTranslationTest>(argc, argv);
}

#include "tst_germantranslation.moc"
