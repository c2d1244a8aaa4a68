#include "testmain.h"

#include "controls/minimalistbutton.h"
#include "controls/spacemarkinglineedit.h"
#include "operations/optionlabel.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/roundedtextfieldstyle.h"

#include <QFontMetricsF>
#include <QTest>

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

    void optionLabelShowsCapitals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two words") << u"Replace With"_qs << u"REPLACE WITH"_qs;
        QTest::newRow("sharp s") << u"Straße"_qs << u"STRASSE"_qs;
    }

    void optionLabelShowsCapitals()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        OptionLabel label(text);
        QCOMPARE(label.text(), text);
        QCOMPARE(label.displayText(), shown);
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
