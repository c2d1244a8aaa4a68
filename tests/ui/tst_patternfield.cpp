#include "testmain.h"

#include "operations/inlineoperationeditor.h"
#include "operations/operationstackview.h"
#include "style/colors.h"
#include "style/roundedtextfieldstyle.h"
#include "uitesthelpers.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>

namespace {

const QString slowName = QString(40, u'a') + u'!';
const QString tooLong = u"This pattern takes too long to match."_qs;

RenameOperationWrapper regexStep()
{
    RenameOperationWrapper step;
    step.mode = RenameMode::regex;
    step.regexReplacement = u"x"_qs;
    return step;
}

// Whether the field is drawn with a red outline (its top edge crosses row 1).
bool outlinedInRed(QLineEdit *field)
{
    const QImage image = field->grab().toImage();
    const QColor red = Colors::red(field->palette());
    for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, 1);
        if (qAbs(pixel.red() - red.red()) < 40 && qAbs(pixel.green() - red.green()) < 40 &&
            qAbs(pixel.blue() - red.blue()) < 40)
            return true;
    }
    return false;
}

} // namespace

class PatternFieldTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The pattern field of a card says why its step does nothing, as the user types, and
    // stops saying it as soon as the pattern works.
    void showsWhyThePatternDoesNothing()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"quick!"_qs, slowName}));
        engine->setOperation(0, regexStep());
        OperationStackView view(engine.get());
        view.resize(400, 600);
        auto *field = view.cards().constFirst()->findChild<QLineEdit *>(u"regexPattern"_qs);
        QVERIFY(field);
        const auto problem = [&] {
            return field->property(RoundedTextFieldStyle::problemProperty).toBool();
        };

        QTest::keyClicks(field, u"a(b"_qs);
        QVERIFY2(field->toolTip().startsWith(u"U_REGEX_"), qPrintable(field->toolTip()));
        QVERIFY(problem());
        QVERIFY(outlinedInRed(field));

        QTest::keyClick(field, Qt::Key_ParenRight);
        QCOMPARE(field->toolTip(), QString());
        QVERIFY(!problem());
        QVERIFY(!outlinedInRed(field));

        field->selectAll();
        QTest::keyClicks(field, u"(a+)+$|!"_qs);
        QCOMPARE(field->toolTip(), tooLong);
        QVERIFY(problem());
        QCOMPARE(engine->files().at(0).newName, u"quick!"_qs); // unchanged, like the slow one

        for (int i = 0; i < 4; ++i) // "(a+)", quick on every name
            QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->toolTip(), QString());
        QVERIFY(!problem());
    }

    // A name added later can make a pattern run out of time; removing it clears that.
    void followsTheFileList()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"quick!"_qs}));
        engine->setOperation(0, regexStep());
        OperationStackView view(engine.get());
        auto *field = view.cards().constFirst()->findChild<QLineEdit *>(u"regexPattern"_qs);
        QTest::keyClicks(field, u"(a+)+$|!"_qs);
        QCOMPARE(field->toolTip(), QString());

        engine->addFiles(UiTest::urlsFor({slowName}));
        QCOMPARE(field->toolTip(), tooLong);
        engine->clearAll();
        QCOMPARE(field->toolTip(), QString());
    }
};

BRISKLET_TEST(PatternFieldTest)
#include "tst_patternfield.moc"
