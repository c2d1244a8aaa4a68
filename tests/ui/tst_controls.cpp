#include "testmain.h"

#include "controls/choicemenubutton.h"
#include "controls/minimalistbutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/spacemarkinglineedit.h"
#include "controls/statusbadge.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "controls/wholenumberfield.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/roundedtextfieldstyle.h"

#include <QFontMetricsF>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<QWidget> makeControl(const QString &kind)
{
    const QStringList titles{u"One"_qs, u"Two"_qs, u"Three"_qs};
    if (kind == u"switch")
        return std::make_unique<ToggleSwitch>(u"Match Case"_qs);
    if (kind == u"stepper")
        return std::make_unique<Stepper>(u"Padding: "_qs, 1, 10);
    if (kind == u"segments")
        return std::make_unique<SegmentedControl>(titles);
    if (kind == u"menu")
        return std::make_unique<ChoiceMenuButton>(titles);
    if (kind == u"number field")
        return std::make_unique<WholeNumberField>();
    return std::make_unique<StatusBadge>(u"xmark"_qs, 0, u"errors"_qs, Colors::red());
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Set through its property, a control shows the value, notifies once, never as the user.
    void propertiesNotifyChanges_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("userSignal");
        QTest::addColumn<QByteArray>("related"); // another property the change shows in
        QTest::addColumn<QVariant>("relatedValue");

        const QByteArray none;
        QTest::newRow("switch") << u"switch"_qs << "checked"_qba << QVariant(true)
                                << "clicked(bool)"_qba << none << QVariant();
        QTest::newRow("stepper value")
            << u"stepper"_qs << "value"_qba << QVariant(4) << "valueChanged(int)"_qba
            << "title"_qba << QVariant(u"Padding: 4"_qs);
        QTest::newRow("stepper maximum below minimum")
            << u"stepper"_qs << "maximum"_qba << QVariant(0) << "valueChanged(int)"_qba
            << "minimum"_qba << QVariant(0);
        QTest::newRow("segments") << u"segments"_qs << "currentIndex"_qba << QVariant(2)
                                  << "activated(int)"_qba << none << QVariant();
        QTest::newRow("menu") << u"menu"_qs << "currentIndex"_qba << QVariant(1)
                              << "activated(int)"_qba
                              << "currentText"_qba << QVariant(u"Two"_qs);
        QTest::newRow("number field") << u"number field"_qs << "value"_qba
                                      << QVariant(qint64(-1234)) << "valueEdited(qint64)"_qba
                                      << "text"_qba << QVariant(QLocale().toString(-1234));
        QTest::newRow("status badge") << u"status badge"_qs << "count"_qba << QVariant(qint64(7))
                                      << none << "accessibleName"_qba << QVariant(u"7 errors"_qs);
    }

    void propertiesNotifyChanges()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, userSignal);
        QFETCH(QByteArray, related);
        QFETCH(QVariant, relatedValue);

        const std::unique_ptr<QWidget> control = makeControl(kind);
        const QMetaObject *meta = control->metaObject();
        const QMetaProperty metaProperty =
            meta->property(meta->indexOfProperty(property.constData()));
        QVERIFY(metaProperty.isWritable());
        QVERIFY(metaProperty.hasNotifySignal());
        QSignalSpy notified(control.get(), metaProperty.notifySignal());
        std::unique_ptr<QSignalSpy> user;
        if (!userSignal.isEmpty())
            user = std::make_unique<QSignalSpy>(control.get(), // '2' marks a signal, as SIGNAL()
                                                QByteArray('2' + userSignal).constData());

        QVERIFY(control->setProperty(property.constData(), value));
        QVERIFY(control->setProperty(property.constData(), value));

        QCOMPARE(control->property(property.constData()), value);
        QCOMPARE(notified.size(), 1);
        if (user)
            QCOMPARE(user->size(), 0);
        if (!related.isEmpty())
            QCOMPARE(control->property(related.constData()), relatedValue);
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
