#include "testmain.h"

#include "appdelegate.h"
#include "disk/movejournal.h"
#include "fakefilemover.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "ui/uitesthelpers.h"
#include "workflows/settingspreferencesstore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <functional>

class PseudoTranslationTest;
using Scene = std::function<void(PseudoTranslationTest *)>;
Q_DECLARE_METATYPE(Scene)

// Under a translation wrapping every text in [[ ]], a shown text without them is untranslated.
class PseudoTranslationTest : public QObject {
    Q_OBJECT

public:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;
    RenameEngine *engine() const { return m_delegate->renameEngine(); }
    MainWindow *window() const { return m_delegate->mainWindow(); }
    void click(const QString &name) { UiTest::child<QAbstractButton>(window(), name)->click(); }

    void
    launch(std::unique_ptr<PreferencesStore> store = std::make_unique<MemoryPreferencesStore>())
    {
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                        QSettings::IniFormat),
            UiTest::makeEngine(std::make_unique<UiTest::FakeFileMover>(), std::move(store)));
        m_delegate->applicationDidFinishLaunching();
    }

    // "ax.txt" and "a.txt" both become "a.txt"; "bx.txt" can be renamed.
    void makeProblems()
    {
        engine()->addFiles(UiTest::urlsFor({u"ax.txt"_qs, u"a.txt"_qs, u"bx.txt"_qs}));
        UiTest::setFirstStep(*engine(), replaceStep(u"x"_qs, {}));
    }

    // A batch cut short left two files under temporary names, one with both names taken.
    void leaveInterruptedBatch()
    {
        const QString folder = m_folder.filePath(u"files"_qs);
        QVERIFY(QDir().mkpath(folder));
        for (const char *name : {".brisklet-swap-1", ".brisklet-swap-2", "c.txt", "d.txt"})
            QVERIFY(QFile(folder + u'/' + QLatin1String(name)).open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(QFile::decodeName(MoveJournal::folder())));
        QFile journal(QFile::decodeName(MoveJournal::folder() + "/moves-pseudo.journal"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        const QByteArray path = QFile::encodeName(folder);
        journal.write(
            MoveJournal::serialize(MoveJournal::Kind::batch,
                                   {{path + "/a.txt", ".brisklet-swap-1", "b.txt", std::nullopt},
                                    {path + "/c.txt", ".brisklet-swap-2", "d.txt", std::nullopt}}));
    }

private:
    void check(const QObject *object, const QString &where, QStringList &untranslated) const
    {
        static const QRegularExpression wrapped(u"\\[\\[(?!\\[)(?:(?!\\[\\[|\\]\\]).)*\\]\\]"_qs,
                                                QRegularExpression::DotMatchesEverythingOption);
        const auto checkText = [&](const char *what, QString text) {
            const QString shown = text;
            // Innermost first: a translated message can hold another one.
            for (qsizetype before = -1; before != text.size();) {
                before = text.size();
                text.remove(wrapped);
            }
            // What the user named, and the program's name.
            text.remove(u"Mine"_qs).remove(u"Brisklet"_qs);
            if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); }))
                untranslated.append(where + u' ' + QLatin1String(what) + u": "_qs + shown);
        };
        // Names for the code, and in a line edit what the user typed.
        static const QList<QByteArrayView> notTexts{
            "objectName", "styleSheet", "windowFilePath", "windowIconText", "icon", "inputMask"};
        const QMetaObject *meta = object->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (notTexts.contains(property.name()) ||
                (qobject_cast<const QLineEdit *>(object) &&
                 QByteArrayView(property.name()) != "placeholderText"))
                continue;
            const QVariant value = property.read(object);
            if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QStringList)
                checkText(property.name(), value.toStringList().join(u'|'));
        }
        // The description role is left out: combo boxes mark their separators there.
        if (const auto *view = qobject_cast<const QAbstractItemView *>(object);
            view && view->model()) {
            for (int row = 0; row < view->model()->rowCount(); ++row) {
                for (int role : {int(Qt::ToolTipRole), int(Qt::AccessibleTextRole)})
                    checkText("row", view->model()->index(row, 0).data(role).toString());
            }
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        auto *pseudo = new QTranslator(QCoreApplication::instance());
        QVERIFY(pseudo->load(QStringLiteral(BRISKLET_PSEUDO_QM)));
        QCoreApplication::installTranslator(pseudo);
    }

    void cleanup() { m_delegate.reset(); }

    void everyTextIsTranslated_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<bool>("alert");
        QTest::newRow("main window, menus, history") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->makeProblems();
            t->engine()->performRename();
            Q_EMIT UiTest::child<QMenu>(t->window(), u"undoHistoryMenu"_qs)->aboutToShow();
        }) << false;
        QTest::newRow("no changes") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->engine()->addFiles(UiTest::numberedUrls(2));
            UiTest::action(t->window(), u"renameAction"_qs)->trigger();
        }) << true;
        QTest::newRow("warnings") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->makeProblems();
            UiTest::action(t->window(), u"renameAction"_qs)->trigger();
        }) << true;
        QTest::newRow("save") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->click(u"saveWorkflowButton"_qs);
        }) << true;
        QTest::newRow("overwrite") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->engine()->saveWorkflow(u"Mine"_qs);
            UiTest::saveAs(t->window(), u"Mine"_qs);
        }) << true;
        QTest::newRow("save failed") << Scene([](PseudoTranslationTest *t) {
            // A file where the settings folder should be: nothing can be written.
            const QString blocker = t->m_folder.filePath(u"blocked"_qs);
            QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
            t->launch(std::make_unique<SettingsPreferencesStore>(blocker + u"/Brisklet.conf"_qs));
            UiTest::saveAs(t->window(), u"Mine"_qs);
        }) << true;
        QTest::newRow("recovery") << Scene([](PseudoTranslationTest *t) {
            t->leaveInterruptedBatch();
            t->launch();
            QCOMPARE(t->window()->findChildren<AlertDialog *>().size(), 1);
        }) << true;
        QTest::newRow("error details sheet") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->makeProblems();
            t->click(u"problemBadgesButton"_qs);
        }) << false;
        QTest::newRow("manage workflows sheet") << Scene([](PseudoTranslationTest *t) {
            t->launch();
            t->engine()->saveWorkflow(u"Mine"_qs);
            UiTest::child<QMenu>(t->window(), u"loadMenu"_qs)->actions().constLast()->trigger();
        }) << false;
    }

    void everyTextIsTranslated()
    {
        QFETCH(Scene, scene);
        QFETCH(bool, alert);
        scene(this);
        QCoreApplication::processEvents();
        QCOMPARE(UiTest::shownAlert(window()) != nullptr, alert);

        QStringList untranslated;
        const QList<QWidget *> widgets = QApplication::allWidgets();
        for (const QWidget *widget : widgets) {
            const QString where = QLatin1String(widget->metaObject()->className()) + u" \""_qs +
                                  widget->objectName() + u'"';
            check(widget, where, untranslated);
            const QList<QAction *> actions = widget->actions();
            for (const QAction *action : actions)
                check(action, where + u" action"_qs, untranslated);
        }
        const QList<QAction *> actions = window()->findChildren<QAction *>();
        for (const QAction *action : actions)
            check(action, u"action "_qs + action->objectName(), untranslated);
        untranslated.removeDuplicates();
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(u'\n')));
    }
};

BRISKLET_TEST(PseudoTranslationTest)
#include "tst_pseudotranslation.moc"
