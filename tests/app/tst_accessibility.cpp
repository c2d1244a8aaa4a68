#include "testmain.h"

#include "appdelegate.h"
#include "controls/accessiblefactory.h"
#include "fakefilemover.h"
#include "mainwindow.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDialog>
#include <QMenu>
#include <QSettings>
#include <QUrl>

#include <memory>

namespace {

QString describe(QAccessibleInterface *iface)
{
    if (const QObject *object = iface->object()) {
        return QString::fromLatin1(object->metaObject()->className()) + u" \""_qs +
               object->objectName() + u'"';
    }
    QAccessibleInterface *parent = iface->parent();
    return (parent ? describe(parent) : QString()) + u" > role "_qs +
           QString::number(int(iface->role()), 16);
}

// Controls a user operates; the unfocusable ones too, such as the stepper's buttons.
const QList<QAccessible::Role> controlRoles = {
    QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton,
    QAccessible::ComboBox,   QAccessible::SpinBox,  QAccessible::EditableText,
    QAccessible::ButtonMenu, QAccessible::MenuItem, QAccessible::PageTab};

// What a screen-reader user could reach but not understand: no name, or a generic role.
void walk(QAccessibleInterface *iface, QStringList &problems, int &reached)
{
    const QAccessible::State state = iface->state();
    if (state.invisible)
        return;
    const QAccessible::Role role = iface->role();
    if (state.focusable || controlRoles.contains(role)) {
        ++reached;
        const QString name = iface->text(QAccessible::Name).trimmed();
        if (name.isEmpty())
            problems.append(describe(iface) + u": no name"_qs);
        else if (iface->object() && name == iface->object()->objectName())
            problems.append(describe(iface) + u": named by its identifier"_qs);
        if (state.focusable && (role == QAccessible::Client || role == QAccessible::NoRole ||
                                role == QAccessible::Pane)) {
            problems.append(describe(iface) + u": generic role"_qs);
        }
    }
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface *child = iface->child(i))
            walk(child, problems, reached);
    }
}

QDialog *shownDialog(const QWidget *window)
{
    const QList<QDialog *> dialogs = window->findChildren<QDialog *>();
    for (QDialog *dialog : dialogs) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<AppDelegate> m_delegate;

    RenameEngine *engine() const { return m_delegate->renameEngine(); }
    MainWindow *window() const { return m_delegate->mainWindow(); }

    // Shows what `opener` opens (the window itself when empty) and answers its top level.
    QWidget *open(const QString &opener, RenameMode mode)
    {
        RenameOperationWrapper operation = engine()->operations().first();
        operation.mode = mode;
        // Two files that get the same name, so the problem badges and the sheet have rows.
        operation.findText = u"a"_qs;
        operation.replaceText = u"b"_qs;
        engine()->setOperation(0, operation);
        engine()->updatePreview();
        if (opener.isEmpty())
            return window();
        if (auto *menu = window()->findChild<QMenu *>(opener))
            menu->actions().constLast()->trigger(); // Manage Workflows...
        else if (auto *button = window()->findChild<QAbstractButton *>(opener))
            button->click();
        return shownDialog(window());
    }

private Q_SLOTS:
    void initTestCase() { AccessibleFactory::install(); }

    void init()
    {
        m_delegate = std::make_unique<AppDelegate>(
            std::make_unique<QSettings>(m_folder.filePath(u"Brisklet.conf"_qs),
                                        QSettings::IniFormat),
            std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                           std::make_unique<UiTest::FakeFileMover>()));
        m_delegate->applicationDidFinishLaunching();
        QVERIFY(window());
        engine()->addFiles({QUrl::fromLocalFile(u"/nonexistent/brisklet/a.txt"_qs),
                            QUrl::fromLocalFile(u"/nonexistent/brisklet/b.txt"_qs)});
        QVERIFY(engine()->saveWorkflow(u"Holiday photos"_qs));
        QVERIFY(QTest::qWaitForWindowExposed(window()));
    }

    void cleanup()
    {
        if (QDialog *dialog = shownDialog(window()))
            dialog->reject();
        m_delegate.reset();
    }

    void everyReachableObjectIsNamed_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<RenameMode>("mode");

        for (RenameMode mode : EnumCases<RenameMode>::all)
            QTest::addRow("window, %s", qPrintable(rawValue(mode))) << QString() << mode;
        const RenameMode replace = RenameMode::replace;
        QTest::newRow("error details sheet") << u"problemBadgesButton"_qs << replace;
        QTest::newRow("manage workflows sheet") << u"loadMenu"_qs << replace;
        QTest::newRow("save workflow alert") << u"saveWorkflowButton"_qs << replace;
        QTest::newRow("clear files alert") << u"clearFilesButton"_qs << replace;
    }

    void everyReachableObjectIsNamed()
    {
        QFETCH(QString, opener);
        QFETCH(RenameMode, mode);
        QWidget *root = open(opener, mode);
        QVERIFY(root);
        QVERIFY(QTest::qWaitForWindowExposed(root));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(root);
        QVERIFY(iface);
        QStringList problems;
        int reached = 0;
        walk(iface, problems, reached);
        QVERIFY2(reached > 0, "the walk reached no controls");
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"\n"_qs)));
    }
};

BRISKLET_TEST(AccessibilityTest)
#include "tst_accessibility.moc"
