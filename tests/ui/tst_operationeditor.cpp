#include "testmain.h"

#include "controls/choicemenubutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "controls/wholenumberfield.h"
#include "operations/inlineoperationeditor.h"
#include "operations/operationstackmodel.h"
#include "operations/operationstackview.h"
#include "style/colors.h"
#include "style/roundedtextfieldstyle.h"
#include "uitesthelpers.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace {

using Role = OperationStackModel::Role;

// A real engine with the files, its operation stack under the model tester.
struct Stack {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    OperationStackModel model{engine.get()};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};

    explicit Stack(const QStringList &files = {u"Xab Cd.txt"_qs})
    {
        engine->addFiles(UiTest::urlsFor(files));
    }
    QString newName(int file = 0) const { return engine->files().at(file).newName; }
    RenameOperationWrapper step(int row) const
    {
        return model.index(row).data(Role::OperationRole).value<RenameOperationWrapper>();
    }
    QJsonValue field(const QString &name) const
    {
        return engine->operations().first().toJson().value(name);
    }
};

// The card of the first step, in `mode`, with custom characters as the trim type.
struct Card : Stack {
    std::unique_ptr<InlineOperationEditor> card;

    explicit Card(const QString &mode)
    {
        RenameOperationWrapper operation;
        operation.mode = *enumFromRawValue<RenameMode>(mode);
        operation.trimType = TrimType::customCharacters;
        engine->setOperation(0, operation);
        card = std::make_unique<InlineOperationEditor>(&model, 0);
        card->resize(400, card->sizeHint().height());
    }

    bool shows(const QString &name) const
    {
        auto *widget = card->findChild<QWidget *>(name);
        return widget && widget->isVisibleTo(card.get());
    }

    // Works the control named after the field as a user would.
    void operate(const QString &name, const QString &input)
    {
        QWidget *control = card->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto *modes = qobject_cast<QComboBox *>(control)) {
            modes->setCurrentIndex(modes->findText(input));
            Q_EMIT modes->activated(modes->currentIndex());
        } else if (auto *choices = qobject_cast<ChoiceMenuButton *>(control)) {
            choices->choiceActions().at(input.toInt())->trigger();
        } else if (auto *segments = qobject_cast<SegmentedControl *>(control)) {
            const QPoint at = segments->segmentRect(input.toInt()).center();
            QTest::mouseClick(segments, Qt::LeftButton, {}, at);
        } else if (auto *stepper = qobject_cast<Stepper *>(control)) {
            for (const QChar sign : input) {
                QTest::mouseClick(sign == u'+' ? stepper->incrementButton()
                                               : stepper->decrementButton(),
                                  Qt::LeftButton);
            }
        } else if (auto *toggle = qobject_cast<ToggleSwitch *>(control)) {
            QTest::mouseClick(toggle, Qt::LeftButton);
        } else if (auto *number = qobject_cast<WholeNumberField *>(control)) {
            number->setFocus();
            number->selectAll();
            QTest::keyClicks(number, input);
        } else {
            QTest::keyClicks(qobject_cast<QLineEdit *>(control), input);
        }
    }
};

} // namespace

class OperationEditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each control stores what the user did in its field, the names follow at once, and the
    // card shows the rows that the choice calls for.
    void controlChangesTheStepAndTheNames_data()
    {
        for (const char *column : {"mode", "field", "input", "stored", "newName"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        const auto row = [](const char *name, const char *mode, const char *field,
                            const QString &input, const QString &stored, const QString &newName,
                            const QStringList &shown = {}, const QStringList &hidden = {}) {
            QTest::newRow(name) << QString::fromLatin1(mode) << QString::fromLatin1(field) << input
                                << stored << newName << shown << hidden;
        };
        const QString same = u"Xab Cd.txt"_qs; // the file's name
        const QStringList count{u"trimCount"_qs, u"trimCountLabel"_qs};
        const QStringList characters{u"customCharacters"_qs, u"customCharactersLabel"_qs};
        row("findText", "replace", "findText", u"ab"_qs, u"ab"_qs, u"X Cd.txt"_qs);
        row("replaceText", "replace", "replaceText", u"ab"_qs, u"ab"_qs, same);
        row("regexPattern", "regex", "regexPattern", u"a."_qs, u"a."_qs, u"X Cd.txt"_qs);
        row("regexReplacement", "regex", "regexReplacement", u"ab"_qs, u"ab"_qs, same);
        row("customCharacters", "trim", "customCharacters", u"aX"_qs, u"aX"_qs, u"b Cd.txt"_qs);
        row("appendText", "append", "appendText", u"ab"_qs, u"ab"_qs, u"Xab Cdab.txt"_qs);
        row("prependText", "prepend", "prependText", u"ab"_qs, u"ab"_qs, u"abXab Cd.txt"_qs);
        row("sequenceBaseName", "sequence", "sequenceBaseName", u"ab"_qs, u"Fileab"_qs,
            u"Fileab - 01.txt"_qs);
        row("mode", "replace", "mode", u"Sequence"_qs, u"sequence"_qs, u"File - 01.txt"_qs,
            {u"sequencePage"_qs}, {u"replacePage"_qs});
        row("caseSensitive", "replace", "caseSensitive", {}, u"true"_qs, same);
        row("beforeExtension", "append", "beforeExtension", {}, u"false"_qs, same);
        row("useOriginalName", "sequence", "useOriginalName", {}, u"true"_qs, u"Xab Cd - 01.txt"_qs,
            {}, {u"sequenceBaseName"_qs, u"sequenceBaseNameLabel"_qs});
        row("replaceOccurrence", "replace", "replaceOccurrence", u"0"_qs, u"first"_qs, same);
        row("trimPosition", "trim", "trimPosition", u"1"_qs, u"trailing"_qs, same);
        row("sequenceLocation", "sequence", "sequenceLocation", u"0"_qs, u"before"_qs,
            u"01 - File.txt"_qs);
        row("trim spaces", "trim", "trimType", u"0"_qs, u"spaces"_qs, same, {u"trimPosition"_qs},
            count + characters);
        row("trim characters", "trim", "trimType", u"1"_qs, u"customCharacters"_qs, same,
            characters, count);
        row("trim count", "trim", "trimType", u"2"_qs, u"characterCount"_qs, u"ab Cd.txt"_qs, count,
            characters);
        row("caseType", "changeCase", "caseType", u"4"_qs, u"snake_case"_qs, u"xab_cd.txt"_qs);
        row("trimCount", "trim", "trimCount", u"12"_qs, u"12"_qs, same);
        row("letters refused", "trim", "trimCount", u"x"_qs, u"1"_qs, same);
        row("negative start", "sequence", "sequenceStart", u"-3"_qs, u"-3"_qs, u"File - -3.txt"_qs);
        row("padding stops at 1", "sequence", "sequencePadding", u"---"_qs, u"1"_qs,
            u"File - 1.txt"_qs);
        row("padding stops at 6", "sequence", "sequencePadding", u"+++++++"_qs, u"6"_qs,
            u"File - 000001.txt"_qs);
        // What the file-info step makes of a name is the engine's to test (a null new name
        // is not checked); here the card shows the rows each choice calls for.
        const QStringList dateFormat{u"infoDateFormat"_qs, u"infoDateFormatLabel"_qs};
        const QStringList separator{u"infoSeparator"_qs, u"infoSeparatorLabel"_qs};
        const QStringList whenMissing{u"infoWhenMissing"_qs, u"infoWhenMissingLabel"_qs};
        row("artist", "fileInfo", "infoField", u"4"_qs, u"artist"_qs, {}, separator,
            dateFormat + whenMissing);
        row("date modified", "fileInfo", "infoField", u"1"_qs, u"dateModified"_qs, {}, dateFormat,
            whenMissing);
        row("date taken", "fileInfo", "infoField", u"0"_qs, u"dateTaken"_qs, {},
            dateFormat + whenMissing + separator);
        row("infoDateFormat", "fileInfo", "infoDateFormat", u"_E"_qs, u"yyyy-MM-dd_E"_qs, {});
        row("instead", "fileInfo", "infoPlacement", u"2"_qs, u"instead"_qs, {}, {}, separator);
        row("infoSeparator", "fileInfo", "infoSeparator", u"_"_qs, u" _"_qs, {});
        row("infoWhenMissing", "fileInfo", "infoWhenMissing", u"1"_qs, u"useDateModified"_qs, {});
    }

    void controlChangesTheStepAndTheNames()
    {
        QFETCH(QString, mode);
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, stored);
        QFETCH(QString, newName);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        Card card(mode);
        card.operate(field, input);
        QCOMPARE(card.field(field).toVariant().toString(), stored);
        if (!newName.isNull())
            QCOMPARE(card.newName(), newName);
        for (const QString &name : shown)
            QVERIFY2(card.shows(name), qPrintable(name));
        for (const QString &name : hidden)
            QVERIFY2(!card.shows(name), qPrintable(name));
    }

    // A preset fills the date format; below the field, today's date in the format.
    void datePresetWritesTheFormat()
    {
        Card card(u"fileInfo"_qs);
        auto *presets = card.card->findChild<QToolButton *>(u"infoDatePresets"_qs);
        QMenu *menu = presets->menu();
        Q_EMIT menu->aboutToShow();
        const QString today = QDate::currentDate().toString(u"dd.MM.yyyy"_qs);
        QCOMPARE(menu->actions().at(3)->text(), u"dd.MM.yyyy  (%1)"_qs.arg(today));
        menu->actions().at(3)->trigger();
        QCOMPARE(card.field(u"infoDateFormat"_qs).toString(), u"dd.MM.yyyy"_qs);
        QCOMPARE(card.card->findChild<QLineEdit *>(u"infoDateFormat"_qs)->text(), u"dd.MM.yyyy"_qs);
        const auto *sample = card.card->findChild<QLabel *>(u"infoDateSample"_qs);
        QCOMPARE(sample->text(), u"Today: %1"_qs.arg(today));
        QCOMPARE(card.card->findChild<QLineEdit *>(u"infoDateFormat"_qs)->accessibleDescription(),
                 sample->text());
    }

    void emptiedNumberFieldShowsTheNumberInEffect()
    {
        Card card(u"sequence"_qs);
        card.operate(u"sequenceStart"_qs, u"7"_qs);
        auto *field = card.card->findChild<WholeNumberField *>(u"sequenceStart"_qs);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString());
        QCOMPARE(card.field(u"sequenceStart"_qs).toInteger(), 7);
        QCOMPARE(field->placeholderText(), u"7"_qs);
    }

    void stepperShowsTheStoredPadding_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("increment");
        QTest::addColumn<int>("after");
        QTest::newRow("above the range, minus") << 10 << false << 6;
        QTest::newRow("below the range, plus") << 0 << true << 1;
    }

    void stepperShowsTheStoredPadding()
    {
        QFETCH(int, stored);
        QFETCH(bool, increment);
        QFETCH(int, after);
        Card card(u"sequence"_qs);
        RenameOperationWrapper operation = card.engine->operations().first();
        operation.sequencePadding = stored;
        card.engine->setOperation(0, operation); // the card follows its row
        auto *stepper = card.card->findChild<Stepper *>(u"sequencePadding"_qs);
        QCOMPARE(stepper->title(), u"Padding: %1"_qs.arg(stored));
        QTest::mouseClick(increment ? stepper->incrementButton() : stepper->decrementButton(),
                          Qt::LeftButton);
        QCOMPARE(stepper->title(), u"Padding: %1"_qs.arg(after));
        QCOMPARE(card.field(u"sequencePadding"_qs).toInteger(), after);
    }

    void switchingModesKeepsValues()
    {
        Card card(u"replace"_qs);
        card.operate(u"findText"_qs, u"IMG"_qs);
        card.operate(u"mode"_qs, u"Trim"_qs);
        card.operate(u"mode"_qs, u"Replace"_qs);
        QCOMPARE(card.field(u"findText"_qs).toString(), u"IMG"_qs);
        card.card = std::make_unique<InlineOperationEditor>(&card.model, 0);
        QCOMPARE(card.card->findChild<QLineEdit *>(u"findText"_qs)->text(), u"IMG"_qs);
    }

    // Cards are never rebuilt: typing keeps focus and cursor; a removal takes only its card.
    void cardsOutliveChangesAroundThem()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs}));
        engine->addOperation();
        engine->addOperation();
        OperationStackView view(engine.get());
        QAbstractItemModelTester tester(view.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        view.resize(400, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        const QList<InlineOperationEditor *> cards = view.cards();
        auto *field = cards.first()->findChild<QLineEdit *>(u"findText"_qs);
        field->setFocus();
        QTest::keyClicks(field, u"ac"_qs);
        field->setCursorPosition(1);
        QTest::keyClicks(field, u"b"_qs);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->cursorPosition(), 2);

        QTest::mouseClick(cards.at(1)->findChild<QToolButton *>(u"removeOperation"_qs),
                          Qt::LeftButton);
        QCOMPARE(view.cards(), (QList<InlineOperationEditor *>{cards.at(0), cards.at(2)}));
        QCOMPARE(cards.at(2)->index(), 1);
        QCOMPARE(engine->operations().first().findText, u"abc"_qs);
    }

    // The card says in words, below the field at fault, why its step does nothing, as the
    // pattern, the template and the files change.
    void cardSaysWhyTheStepDoesNothing()
    {
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"quick!"_qs}));
        engine->setOperation(0, regexStep({}, u"x"_qs));
        OperationStackView view(engine.get());
        view.resize(400, 600);
        const InlineOperationEditor *card = view.cards().constFirst();
        auto *pattern = card->findChild<QLineEdit *>(u"regexPattern"_qs);
        auto *replacement = card->findChild<QLineEdit *>(u"regexReplacement"_qs);
        // What the card shows below each field, without hovering.
        const auto below = [&](QLineEdit *field) {
            const auto *label = card->findChild<QLabel *>(field->objectName() + u"Problem"_qs);
            if (!label || !label->isVisibleTo(card))
                return QString();
            [&] {
                QCOMPARE(label->palette().color(QPalette::WindowText),
                         Colors::redText(label->palette()));
                QCOMPARE(field->accessibleDescription(), label->text());
                QVERIFY(field->property(RoundedTextFieldStyle::problemProperty).toBool());
            }();
            return label->text();
        };

        QTest::keyClicks(pattern, u"q(u"_qs);
        QCOMPARE(below(pattern), u"Missing closing parenthesis )"_qs);
        QTest::keyClick(pattern, Qt::Key_ParenRight);
        QCOMPARE(below(pattern), QString());
        QVERIFY(!pattern->property(RoundedTextFieldStyle::problemProperty).toBool());

        // "q(u)" has one group.
        QTest::keyClicks(replacement, u"$2"_qs);
        QCOMPARE(below(replacement), u"$2 in the replacement: the pattern has no group 2"_qs);
        QCOMPARE(below(pattern), QString());
        QTest::keyClick(replacement, Qt::Key_Backspace);
        QTest::keyClick(replacement, Qt::Key_1);
        QCOMPARE(below(replacement), QString());

        pattern->selectAll();
        QTest::keyClicks(pattern, u"(a+)+$|!"_qs);
        QCOMPARE(below(pattern), QString()); // quick on "quick!"
        engine->addFiles(UiTest::urlsFor({QString(40, u'a') + u'!'}));
        QCOMPARE(below(pattern), u"This pattern takes too long to match."_qs);
        engine->clearAll();
        QCOMPARE(below(pattern), QString());
    }

    // Steps come and go through the model and from elsewhere, the names following each time.
    void stepsComeAndGoThroughTheModel()
    {
        Stack f({u"a.txt"_qs, u"b.txt"_qs});
        const QVariant step = QVariant::fromValue(appendStep(u"_3"_qs));
        QVERIFY(f.model.insertRows(1, 2));
        QVERIFY(f.model.setData(f.model.index(2), step, Role::OperationRole));
        QCOMPARE(f.newName(0), u"a_3.txt"_qs); // written and previewed in one call
        QVERIFY(f.model.removeRows(0, 2));
        QCOMPARE(f.model.rowCount(), 1);
        QCOMPARE(f.step(0).appendText, u"_3"_qs);
        QCOMPARE(f.newName(1), u"b_3.txt"_qs); // the preview follows the removal
        QVERIFY(!f.model.removeRows(0, 2));

        QVERIFY(f.engine->saveWorkflow(u"one step"_qs));
        f.engine->addOperation();
        f.engine->setOperation(1, appendStep(u"_v"_qs));
        QCOMPARE(f.step(1).appendText, u"_v"_qs);
        f.engine->loadWorkflow(u"one step"_qs);
        QCOMPARE(f.model.rowCount(), 1);
        QCOMPARE(f.step(0).appendText, u"_3"_qs);
    }
};

BRISKLET_TEST(OperationEditorTest)
#include "tst_operationeditor.moc"
