#include "testmain.h"

#include "controls/accessiblefactory.h"
#include "controls/choicemenubutton.h"
#include "controls/minimalistbutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/spacemarkinglineedit.h"
#include "controls/statusbadge.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "controls/wholenumberfield.h"
#include "filelist/filelistmodel.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/roundedtextfieldstyle.h"
#include "uitesthelpers.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QFontMetricsF>
#include <QSignalSpy>

#include <memory>

namespace {

// The controls as the operation cards make them, named as the cards name them.
std::unique_ptr<QWidget> makeControl(const QString &kind)
{
    std::unique_ptr<QWidget> control;
    if (kind == u"switch") {
        control = std::make_unique<ToggleSwitch>(u"Case sensitive"_qs);
    } else if (kind == u"stepper") {
        control = std::make_unique<Stepper>(u"Padding: "_qs, 1, 10);
    } else if (kind == u"segments") {
        control = std::make_unique<SegmentedControl>(
            QStringList{u"Before name"_qs, u"After name"_qs, u"Both"_qs});
        control->setAccessibleName(u"Location"_qs);
    } else if (kind == u"menu") {
        control = std::make_unique<ChoiceMenuButton>(
            QStringList{u"Characters"_qs, u"Spaces"_qs, u"Count"_qs});
        control->setAccessibleName(u"Trim Type"_qs);
    } else if (kind == u"number field") {
        control = std::make_unique<WholeNumberField>();
    } else {
        control = std::make_unique<StatusBadge>(u"exclamationmark.circle.fill"_qs, 0,
                                                u"conflicts"_qs, Colors::red());
    }
    return control;
}

// Changes the control the way an assistive tool would, through its interface.
void changeThroughInterface(const QString &kind, QWidget *widget, QAccessibleInterface *iface)
{
    if (kind == u"switch")
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    else if (kind == u"stepper")
        iface->valueInterface()->setCurrentValue(4);
    else if (kind == u"segments")
        iface->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    else if (kind == u"menu")
        static_cast<ChoiceMenuButton *>(widget)->setCurrentIndex(1);
    else
        static_cast<StatusBadge *>(widget)->setCount(2);
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

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AccessibleFactory::install(); }

    // A screen reader meets them as the standard controls they look like, hears their value,
    // and a change made through it reaches the program as the user's edit.
    void controlsReadAsStandardOnes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QByteArray>("userSignal"); // empty: not the user's change

        QTest::newRow("stepper") << u"stepper"_qs << QAccessible::SpinBox << u"Padding"_qs
                                 << u"1"_qs << u"4"_qs << QByteArray(SIGNAL(valueChanged(int)));
        QTest::newRow("segmented control")
            << u"segments"_qs << QAccessible::Grouping << u"Location"_qs << u"Before name"_qs
            << u"After name"_qs << QByteArray(SIGNAL(activated(int)));
        QTest::newRow("choice menu") << u"menu"_qs << QAccessible::ComboBox << u"Characters"_qs
                                     << u"Characters"_qs << u"Spaces"_qs << QByteArray();
        QTest::newRow("status badge") << u"status badge"_qs << QAccessible::StaticText
                                      << u"0 conflicts"_qs << u"0"_qs << u"2"_qs << QByteArray();
    }

    void controlsReadAsStandardOnes()
    {
        QFETCH(QString, kind);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QByteArray, userSignal);

        const std::unique_ptr<QWidget> widget = makeControl(kind);
        widget->show();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget.get());
        QVERIFY(iface);
        QCOMPARE(iface->role(), role);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(spoken(iface), before);

        std::unique_ptr<QSignalSpy> edits;
        if (!userSignal.isEmpty())
            edits = std::make_unique<QSignalSpy>(widget.get(), userSignal.constData());
        changeThroughInterface(kind, widget.get(), iface);
        QCOMPARE(spoken(iface), after);
        if (edits)
            QCOMPARE(edits->size(), 1);
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

    // A row of the file list reads its names and its status, with the reason of a problem.
    void fileRowReadsItsProblem()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs}));
        UiTest::setFirstStep(*engine, replaceStep(u"a"_qs, u"b"_qs));
        const FileListModel model(engine.get());
        QCOMPARE(model.index(0).data(Qt::AccessibleTextRole).toString(),
                 u"a.txt, b.txt, conflict: Duplicate filename"_qs);
    }

    void missingIconFontFallsBackToText()
    {
        const QString family = Icons::fontFamily();
        Icons::setFontFamily(QString());
        MinimalistButton button(u"plus.circle.fill"_qs, u"Add"_qs, Colors::blue());
        const bool iconIsNull = Icons::icon(u"plus.circle.fill"_qs, Colors::blue()).isNull();
        const QSize size = button.sizeHint();
        const QImage image = button.grab().toImage();
        Icons::setFontFamily(family);

        QVERIFY(iconIsNull);
        // The caption takes the icon's place at rest, so the button is never blank.
        QVERIFY(size.width() >= QFontMetricsF(Fonts::body()).horizontalAdvance(u"Add"_qs));
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                inked += image.pixelColor(x, y).alpha() > 200 ? 1 : 0;
        }
        QVERIFY(inked > 10);
    }

    void fieldMarksOuterSpaces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sameWithoutMarks"); // what it would look like unmarked
        QTest::addColumn<int>("marks");
        QTest::newRow("one space") << u" "_qs << u"  "_qs << 1;
        QTest::newRow("trailing") << u"x "_qs << u"x"_qs << 1;
        QTest::newRow("both ends") << u"  a b "_qs << QString() << 3;
        QTest::newRow("inner only") << u"a b"_qs << QString() << 0;
        QTest::newRow("tab at the end") << u"a\t"_qs << QString() << 1;
    }

    void fieldMarksOuterSpaces()
    {
        QFETCH(QString, text);
        QFETCH(QString, sameWithoutMarks);
        QFETCH(int, marks);
        SpaceMarkingLineEdit field;
        RoundedTextFieldStyle::apply(&field);
        field.resize(240, field.sizeHint().height());
        field.setText(text);
        const QList<QRectF> cells = field.markedCells();
        QCOMPARE(cells.size(), marks);
        for (const QRectF &cell : cells)
            QVERIFY(field.rect().contains(cell.center().toPoint()));
        if (sameWithoutMarks.isEmpty())
            return;
        // Unmarked, the two texts draw alike; marked, they do not.
        const QImage marked = field.grab().toImage();
        field.setText(sameWithoutMarks);
        QVERIFY(field.grab().toImage() != marked);
    }
};

BRISKLET_TEST(ControlsTest)
#include "tst_controls.moc"
