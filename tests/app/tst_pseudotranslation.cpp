#include "testmain.h"

#include "appdelegate.h"
#include "dialogs/alertdialog.h"
#include "fakefilemover.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "movejournal.h"
#include "renameengine.h"
#include "settingspreferencesstore.h"
#include "ui/uitesthelpers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>

namespace {

enum class Scene {
    mainWindow,
    clearAlert,
    noChangesAlert,
    warningsAlert,
    saveAlert,
    overwriteAlert,
    saveFailedAlert,
    recoveryAlert,
    errorSheet,
    manageSheet
};

// Properties that hold what the user typed, style or names for the code, not texts of ours.
bool isUserOrCodeText(const QObject *object, const char *property)
{
    static const QList<QByteArray> code{"objectName",     "styleSheet", "windowFilePath",
                                        "windowIconText", "icon",       "inputMask"};
    if (code.contains(property))
        return true;
    return qobject_cast<const QLineEdit *>(object) && QByteArrayView(property) != "placeholderText";
}

// The text with every "[[…]]" taken out, innermost first: a translated message can hold
// another one.
QString outsideBrackets(QString text)
{
    static const QRegularExpression wrapped(u"\\[\\[(?!\\[)(?:(?!\\[\\[|\\]\\]).)*\\]\\]"_qs,
                                            QRegularExpression::DotMatchesEverythingOption);
    for (qsizetype before = -1; before != text.size();) {
        before = text.size();
        text.remove(wrapped);
    }
    return text;
}

} // namespace

// Every text the window, its menus, alerts and sheets show, read under a translation that
// wraps each translated text in double brackets: a text without them never went through the
// translation system. The translation is made from the sources at build time.
class PseudoTranslationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;
    RenameEngine *engine() const { return m_delegate->renameEngine(); }
    MainWindow *window() const { return m_delegate->mainWindow(); }
    // What the user and the program name bring in.
    const QStringList m_userData{u"Brisklet"_qs, u"Mine"_qs};

    void launch(std::unique_ptr<PreferencesStore> store)
    {
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                        QSettings::IniFormat),
            std::make_unique<RenameEngine>(std::move(store),
                                           std::make_unique<UiTest::FakeFileMover>()));
        m_delegate->applicationDidFinishLaunching();
    }

    void check(const QObject *object, const QString &where, QStringList &untranslated) const
    {
        const auto checkText = [&](const QString &what, const QString &text) {
            QString rest = outsideBrackets(text);
            for (const QString &data : m_userData)
                rest.remove(data);
            if (std::any_of(rest.cbegin(), rest.cend(), [](QChar c) { return c.isLetter(); }))
                untranslated.append(where + u' ' + what + u": "_qs + text);
        };
        const QMetaObject *meta = object->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (isUserOrCodeText(object, property.name()))
                continue;
            const QVariant value = property.read(object);
            if (value.typeId() == QMetaType::QString)
                checkText(QString::fromLatin1(property.name()), value.toString());
            else if (value.typeId() == QMetaType::QStringList)
                checkText(QString::fromLatin1(property.name()), value.toStringList().join(u'|'));
        }
        if (const auto *view = qobject_cast<const QAbstractItemView *>(object);
            view && view->model()) {
            for (int row = 0; row < view->model()->rowCount(); ++row) {
                // The description role is left out: combo boxes keep a marker for their
                // separators there.
                for (int role : {int(Qt::ToolTipRole), int(Qt::AccessibleTextRole)})
                    checkText(u"row"_qs, view->model()->index(row, 0).data(role).toString());
            }
        }
    }

    QStringList untranslatedTexts() const
    {
        QStringList untranslated;
        for (const QWidget *widget : QApplication::allWidgets()) {
            const QString where = QString::fromLatin1(widget->metaObject()->className()) +
                                  u" \""_qs + widget->objectName() + u'"';
            check(widget, where, untranslated);
            for (const QAction *action : widget->actions())
                check(action, where + u" action"_qs, untranslated);
        }
        for (const QAction *action : window()->findChildren<QAction *>())
            check(action, u"action \""_qs + action->objectName() + u'"', untranslated);
        untranslated.removeDuplicates();
        return untranslated;
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
        QTest::newRow("main window and menus") << Scene::mainWindow;
        QTest::newRow("clear alert") << Scene::clearAlert;
        QTest::newRow("no changes alert") << Scene::noChangesAlert;
        QTest::newRow("warnings alert") << Scene::warningsAlert;
        QTest::newRow("save alert") << Scene::saveAlert;
        QTest::newRow("overwrite alert") << Scene::overwriteAlert;
        QTest::newRow("save failed alert") << Scene::saveFailedAlert;
        QTest::newRow("recovery alert") << Scene::recoveryAlert;
        QTest::newRow("error details sheet") << Scene::errorSheet;
        QTest::newRow("manage workflows sheet") << Scene::manageSheet;
    }

    void everyTextIsTranslated()
    {
        QFETCH(Scene, scene);
        QTemporaryDir files;
        if (scene == Scene::saveFailedAlert) {
            // A file where the settings folder should be: nothing can be written.
            QFile blocker(m_folder.filePath(u"blocked"_qs));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            launch(std::make_unique<SettingsPreferencesStore>(blocker.fileName() +
                                                              u"/Brisklet.conf"_qs));
        } else if (scene == Scene::recoveryAlert) {
            // A batch cut short left one file under a temporary name and one whose names are
            // both taken.
            for (const char *name : {".brisklet-swap-1", ".brisklet-swap-2", "c.txt", "d.txt"}) {
                QFile file(files.filePath(QString::fromLatin1(name)));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
            QVERIFY(QDir().mkpath(QFile::decodeName(MoveJournal::folder())));
            QFile journal(QFile::decodeName(MoveJournal::folder() + "/moves-pseudo.journal"));
            QVERIFY(journal.open(QIODevice::WriteOnly));
            const QByteArray folder = QFile::encodeName(files.path());
            journal.write(MoveJournal::serialize(
                MoveJournal::Kind::batch,
                {{folder + "/a.txt", ".brisklet-swap-1", "b.txt", std::nullopt},
                 {folder + "/c.txt", ".brisklet-swap-2", "d.txt", std::nullopt}}));
            journal.close();
            launch(std::make_unique<MemoryPreferencesStore>());
        } else {
            launch(std::make_unique<MemoryPreferencesStore>());
        }

        const auto clickSave = [this](const QString &name) {
            UiTest::child<QToolButton>(window(), u"saveWorkflowButton"_qs)->click();
            if (!name.isEmpty()) {
                QTest::keyClicks(UiTest::shownAlert(window())->textField(), name);
                QTest::keyClick(UiTest::shownAlert(window())->textField(), Qt::Key_Return);
            }
        };
        const auto makeProblems = [this] {
            // "ax.txt" and "a.txt" both become "a.txt"; "bx.txt" can be renamed.
            engine()->addFiles(UiTest::urlsFor({u"ax.txt"_qs, u"a.txt"_qs, u"bx.txt"_qs}));
            UiTest::editFirstOperation(
                *engine(), [](RenameOperationWrapper &step) { step.findText = u"x"_qs; });
        };
        switch (scene) {
        case Scene::mainWindow:
            makeProblems();
            engine()->performRename();
            Q_EMIT UiTest::child<QMenu>(window(), u"undoHistoryMenu"_qs)->aboutToShow();
            break;
        case Scene::clearAlert:
            engine()->addFiles(UiTest::numberedUrls(2));
            UiTest::child<QAbstractButton>(window(), u"clearFilesButton"_qs)->click();
            break;
        case Scene::noChangesAlert:
            engine()->addFiles(UiTest::numberedUrls(2));
            UiTest::action(window(), u"renameAction"_qs)->trigger();
            break;
        case Scene::warningsAlert:
            makeProblems();
            UiTest::action(window(), u"renameAction"_qs)->trigger();
            break;
        case Scene::saveAlert:
            clickSave(QString());
            break;
        case Scene::overwriteAlert:
            QVERIFY(engine()->saveWorkflow(u"Mine"_qs));
            clickSave(u"Mine"_qs);
            break;
        case Scene::saveFailedAlert:
            clickSave(u"Mine"_qs);
            break;
        case Scene::recoveryAlert:
            break;
        case Scene::errorSheet:
            makeProblems();
            UiTest::child<QAbstractButton>(window(), u"problemBadgesButton"_qs)->click();
            break;
        case Scene::manageSheet:
            QVERIFY(engine()->saveWorkflow(u"Mine"_qs));
            UiTest::child<QMenu>(window(), u"loadMenu"_qs)->actions().constLast()->trigger();
            break;
        }
        QCoreApplication::processEvents();
        if (scene != Scene::mainWindow && scene != Scene::errorSheet && scene != Scene::manageSheet)
            QVERIFY2(UiTest::shownAlert(window()), "the alert is up");

        const QStringList untranslated = untranslatedTexts();
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(u'\n')));
    }
};

BRISKLET_TEST(PseudoTranslationTest)

#include "tst_pseudotranslation.moc"
