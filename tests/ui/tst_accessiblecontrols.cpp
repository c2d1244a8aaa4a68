#include "testmain.h"

#include "controls/accessiblefactory.h"
#include "controls/choicemenubutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/statusbadge.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "filelist/leftalignedfilelistview.h"
#include "uitesthelpers.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QSignalSpy>

#include <memory>

namespace {

enum class Control { toggle, stepper, segments, choiceMenu, statusBadge };

std::unique_ptr<QWidget> makeControl(Control control)
{
    switch (control) {
    case Control::toggle:
        return std::make_unique<ToggleSwitch>(u"Case sensitive"_qs);
    case Control::stepper:
        return std::make_unique<Stepper>(u"Padding: "_qs, 1, 10);
    case Control::segments: {
        auto segments =
            std::make_unique<SegmentedControl>(QStringList{u"Before name"_qs, u"After name"_qs});
        segments->setAccessibleName(u"Location"_qs);
        return segments;
    }
    case Control::choiceMenu: {
        auto menu = std::make_unique<ChoiceMenuButton>(QStringList{u"Characters"_qs, u"Spaces"_qs});
        menu->setAccessibleName(u"Trim Type"_qs);
        return menu;
    }
    case Control::statusBadge:
        return std::make_unique<StatusBadge>(u"exclamationmark.circle.fill"_qs, 0, u"conflicts"_qs,
                                             Qt::red);
    }
    return nullptr;
}

// Changes the control the way an assistive tool would, through its interface.
void changeThroughInterface(Control control, QWidget *widget, QAccessibleInterface *iface)
{
    switch (control) {
    case Control::toggle:
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        break;
    case Control::stepper:
        iface->valueInterface()->setCurrentValue(4);
        break;
    case Control::segments:
        iface->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        break;
    case Control::choiceMenu:
        static_cast<ChoiceMenuButton *>(widget)->setCurrentIndex(1);
        break;
    case Control::statusBadge:
        static_cast<StatusBadge *>(widget)->setCount(2);
        break;
    }
}

// What a screen reader reads besides the name: value, checked state, or the checked options.
QString spoken(QAccessibleInterface *iface)
{
    if (!iface->text(QAccessible::Value).isEmpty())
        return iface->text(QAccessible::Value);
    if (iface->state().checkable)
        return iface->state().checked ? u"checked"_qs : u"unchecked"_qs;
    QStringList checked;
    for (int i = 0; i < iface->childCount(); ++i) {
        if (iface->child(i)->state().checked)
            checked.append(iface->child(i)->text(QAccessible::Name));
    }
    return checked.join(u", ");
}

} // namespace

class AccessibleControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AccessibleFactory::install(); }

    void controlsReadAsStandardOnes_data()
    {
        QTest::addColumn<Control>("control");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QByteArray>("userSignal"); // empty: not the user's change

        QTest::newRow("switch") << Control::toggle << QAccessible::CheckBox << u"Case sensitive"_qs
                                << u"unchecked"_qs << u"checked"_qs
                                << QByteArray(SIGNAL(toggled(bool)));
        QTest::newRow("stepper") << Control::stepper << QAccessible::SpinBox << u"Padding"_qs
                                 << u"1"_qs << u"4"_qs << QByteArray(SIGNAL(valueChanged(int)));
        QTest::newRow("segmented control")
            << Control::segments << QAccessible::Grouping << u"Location"_qs << u"Before name"_qs
            << u"After name"_qs << QByteArray(SIGNAL(activated(int)));
        QTest::newRow("choice menu")
            << Control::choiceMenu << QAccessible::ComboBox << u"Characters"_qs << u"Characters"_qs
            << u"Spaces"_qs << QByteArray();
        QTest::newRow("status badge") << Control::statusBadge << QAccessible::StaticText
                                      << u"0 conflicts"_qs << u"0"_qs << u"2"_qs << QByteArray();
    }

    void controlsReadAsStandardOnes()
    {
        QFETCH(Control, control);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QByteArray, userSignal);

        const std::unique_ptr<QWidget> widget = makeControl(control);
        widget->show();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget.get());
        QVERIFY(iface);
        QCOMPARE(iface->role(), role);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(spoken(iface), before);

        std::unique_ptr<QSignalSpy> edits;
        if (!userSignal.isEmpty())
            edits = std::make_unique<QSignalSpy>(widget.get(), userSignal.constData());
        changeThroughInterface(control, widget.get(), iface);
        QCOMPARE(spoken(iface), after);
        if (edits)
            QCOMPARE(edits->size(), 1); // reaches the program as the user's edit
    }

    // As the desktop's combo boxes: named by the choice, labelled by the caption beside it.
    void choiceMenuIsLabelledByItsCaption()
    {
        QWidget form;
        auto *caption = new QWidget(&form);
        caption->setAccessibleName(u"Trim Type"_qs);
        auto *menu = new ChoiceMenuButton({u"Characters"_qs, u"Spaces"_qs}, &form);
        menu->setAccessibleName(caption->accessibleName());
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(menu);
        const auto labels = iface->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object(), caption);
        QCOMPARE(iface->text(QAccessible::Description), u"Trim Type"_qs);
    }

    // Each row of the file list reads its current name, new name and status.
    void fileRowsReadTheirNamesAndStatus_data()
    {
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("firstRow");

        QTest::newRow("ready") << u"x"_qs << u"a.txt, x.txt, ready"_qs;
        QTest::newRow("conflict") << u"b"_qs << u"a.txt, b.txt, conflict: Duplicate filename"_qs;
    }

    void fileRowsReadTheirNamesAndStatus()
    {
        QFETCH(QString, replacement);
        QFETCH(QString, firstRow);
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs}));
        UiTest::editFirstOperation(*engine, [&](RenameOperationWrapper &operation) {
            operation.findText = u"a"_qs;
            operation.replaceText = replacement;
        });
        LeftAlignedFileListView view(engine.get());
        view.resize(600, 300);
        view.show();
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), u"Files"_qs);
        QAccessibleInterface *row = nullptr;
        for (int i = 0; i < list->childCount() && !row; ++i) {
            if (list->child(i)->role() == QAccessible::ListItem)
                row = list->child(i);
        }
        QVERIFY(row);
        QCOMPARE(row->text(QAccessible::Name), firstRow);
    }
};

BRISKLET_TEST(AccessibleControlsTest)
#include "tst_accessiblecontrols.moc"
