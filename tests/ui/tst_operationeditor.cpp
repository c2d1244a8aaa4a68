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
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QImage>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

// A card on a real engine; each preview records the watched field as the engine holds it.
struct Card {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    std::unique_ptr<OperationStackModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
    QString watched;
    QStringList seen;
    std::unique_ptr<InlineOperationEditor> card;

    Card(const QString &mode, const QString &watchedField) : watched(watchedField)
    {
        engine->addFiles(UiTest::urlsFor({u"a.txt"_qs}));
        RenameOperationWrapper operation;
        operation.mode = *enumFromRawValue<RenameMode>(mode);
        operation.trimType = TrimType::customCharacters;
        engine->setOperation(0, operation);
        model = std::make_unique<OperationStackModel>(engine.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QObject::connect(engine.get(), &RenameEngine::filesChanged, model.get(),
                         [this] { seen.append(field(watched).toVariant().toString()); });
        card = std::make_unique<InlineOperationEditor>(model.get(), 0);
        card->resize(400, card->sizeHint().height());
    }

    QJsonValue field(const QString &name) const
    {
        return engine->operations().first().toJson().value(name);
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
            choices->menu()->actions().at(input.toInt())->trigger();
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

using Role = OperationStackModel::Role;

RenameOperationWrapper appending(const QString &text)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::append;
    step.appendText = text;
    return step;
}

RenameOperationWrapper stepAt(const OperationStackModel &model, int row)
{
    return model.index(row).data(Role::OperationRole).value<RenameOperationWrapper>();
}

// An engine with two files and a model under the tester, as every case starts.
struct Fixture {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    OperationStackModel model{engine.get()};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};

    Fixture() { engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs})); }

    QString newName(int file) const { return engine->files().at(file).newName; }
};

} // namespace

class OperationEditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The modes come in groups; a screen reader meets only the modes, each with its name, and
    // the list shows a line between the groups.
    void modeMenuGroupsWithoutEmptyItems()
    {
        Card card(u"replace"_qs, u"mode"_qs);
        auto *menu = card.card->findChild<QComboBox *>(u"mode"_qs);
        QVERIFY(menu);
        QCOMPARE(menu->count(), qsizetype(EnumCases<RenameMode>::all.size()));

        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(menu);
        QVERIFY(combo && combo->childCount() > 0);
        QAccessibleInterface *list = combo->child(0);
        QCOMPARE(list->role(), QAccessible::List);
        QStringList names;
        for (int i = 0; i < list->childCount(); ++i) {
            if (QAccessibleInterface *item = list->child(i);
                item->role() != QAccessible::ColumnHeader && item->role() != QAccessible::RowHeader)
                names.append(item->text(QAccessible::Name));
        }
        QStringList titles;
        for (RenameMode mode : EnumCases<RenameMode>::all)
            titles.append(InlineOperationEditor::title(mode));
        QCOMPARE(names, titles);

        card.card->show();
        menu->showPopup();
        QAbstractItemView *popup = menu->view();
        QTRY_VERIFY(popup->isVisible());
        int taller = 0;
        const int plain = popup->visualRect(popup->model()->index(0, 0)).height();
        for (int row = 1; row < menu->count(); ++row)
            taller += popup->visualRect(popup->model()->index(row, 0)).height() > plain;
        menu->hidePopup();
        QCOMPARE(taller, 3); // before Trim, Append and Change Case
    }

    void controlWritesItsFieldThenPreviews_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("reported");
        const QStringList typed{u"a"_qs, u"ab"_qs};
        for (const auto &[mode, field] : {std::pair{u"replace"_qs, u"findText"_qs},
                                          {u"replace"_qs, u"replaceText"_qs},
                                          {u"regex"_qs, u"regexPattern"_qs},
                                          {u"regex"_qs, u"regexReplacement"_qs},
                                          {u"trim"_qs, u"customCharacters"_qs},
                                          {u"append"_qs, u"appendText"_qs},
                                          {u"prepend"_qs, u"prependText"_qs}})
            QTest::addRow("%s", qPrintable(field)) << mode << field << u"ab"_qs << typed;
        QTest::newRow("sequenceBaseName") << u"sequence"_qs << u"sequenceBaseName"_qs << u"ab"_qs
                                          << QStringList{u"Filea"_qs, u"Fileab"_qs};
        QTest::newRow("mode") << u"replace"_qs << u"mode"_qs << u"Sequence"_qs
                              << QStringList{u"sequence"_qs};
        QTest::newRow("caseSensitive")
            << u"replace"_qs << u"caseSensitive"_qs << QString() << QStringList{u"true"_qs};
        QTest::newRow("beforeExtension")
            << u"append"_qs << u"beforeExtension"_qs << QString() << QStringList{u"false"_qs};
        QTest::newRow("useOriginalName")
            << u"sequence"_qs << u"useOriginalName"_qs << QString() << QStringList{u"true"_qs};
        QTest::newRow("replaceOccurrence")
            << u"replace"_qs << u"replaceOccurrence"_qs << u"0"_qs << QStringList{u"first"_qs};
        QTest::newRow("trimPosition")
            << u"trim"_qs << u"trimPosition"_qs << u"1"_qs << QStringList{u"trailing"_qs};
        QTest::newRow("sequenceLocation")
            << u"sequence"_qs << u"sequenceLocation"_qs << u"0"_qs << QStringList{u"before"_qs};
        QTest::newRow("trimType") << u"trim"_qs << u"trimType"_qs << u"2"_qs
                                  << QStringList{u"characterCount"_qs};
        QTest::newRow("chosen trimType still reports")
            << u"trim"_qs << u"trimType"_qs << u"1"_qs << QStringList{u"customCharacters"_qs};
        QTest::newRow("caseType") << u"changeCase"_qs << u"caseType"_qs << u"4"_qs
                                  << QStringList{u"snake_case"_qs};
        // "1" is already held, so only "12" is a change.
        QTest::newRow("trimCount")
            << u"trim"_qs << u"trimCount"_qs << u"12"_qs << QStringList{u"12"_qs};
        QTest::newRow("letters refused")
            << u"trim"_qs << u"trimCount"_qs << u"x"_qs << QStringList{};
        QTest::newRow("lone minus not reported")
            << u"sequence"_qs << u"sequenceStart"_qs << u"-3"_qs << QStringList{u"-3"_qs};
        QTest::newRow("padding stops at 1")
            << u"sequence"_qs << u"sequencePadding"_qs << u"---"_qs << QStringList{u"1"_qs};
        QTest::newRow("padding stops at 6")
            << u"sequence"_qs << u"sequencePadding"_qs << u"+++++++"_qs
            << QStringList{u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs};
    }

    void controlWritesItsFieldThenPreviews()
    {
        QFETCH(QString, mode);
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QStringList, reported);
        Card card(mode, field);
        card.operate(field, input);
        QCOMPARE(card.seen, reported);
    }

    void rowsFollowTheChoices_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        const QStringList count{u"trimCount"_qs, u"trimCountLabel"_qs};
        const QStringList characters{u"customCharacters"_qs, u"customCharactersLabel"_qs};
        QTest::newRow("trim spaces") << u"trim"_qs << u"trimType"_qs << u"0"_qs
                                     << QStringList{u"trimPosition"_qs} << count + characters;
        QTest::newRow("trim characters")
            << u"trim"_qs << u"trimType"_qs << u"1"_qs << characters << count;
        QTest::newRow("trim count")
            << u"trim"_qs << u"trimType"_qs << u"2"_qs << count << characters;
        QTest::newRow("original names")
            << u"sequence"_qs << u"useOriginalName"_qs << QString() << QStringList{}
            << QStringList{u"sequenceBaseName"_qs, u"sequenceBaseNameLabel"_qs};
        QTest::newRow("mode page")
            << u"replace"_qs << u"mode"_qs << u"Sequence"_qs << QStringList{u"sequencePage"_qs}
            << QStringList{u"replacePage"_qs};
    }

    void rowsFollowTheChoices()
    {
        QFETCH(QString, mode);
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        Card card(mode, field);
        card.operate(field, input);
        for (const QString &name : shown)
            QVERIFY2(card.shows(name), qPrintable(name));
        for (const QString &name : hidden)
            QVERIFY2(!card.shows(name), qPrintable(name));
    }

    void emptiedNumberFieldShowsTheNumberInEffect()
    {
        Card card(u"sequence"_qs, u"sequenceStart"_qs);
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
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("above the range, minus")
            << 10 << false << u"Padding: 6"_qs << QStringList{u"6"_qs};
        QTest::newRow("below the range, plus")
            << 0 << true << u"Padding: 1"_qs << QStringList{u"1"_qs};
    }

    void stepperShowsTheStoredPadding()
    {
        QFETCH(int, stored);
        QFETCH(bool, increment);
        QFETCH(QString, shownAfter);
        QFETCH(QStringList, reported);
        Card card(u"sequence"_qs, u"sequencePadding"_qs);
        RenameOperationWrapper operation = card.engine->operations().first();
        operation.sequencePadding = stored;
        card.engine->setOperation(0, operation); // the card follows its row
        auto *stepper = card.card->findChild<Stepper *>(u"sequencePadding"_qs);
        QCOMPARE(stepper->title(), u"Padding: %1"_qs.arg(stored));
        QCOMPARE(stepper->incrementButton()->isEnabled(), stored < 6);
        QToolButton *button = increment ? stepper->incrementButton() : stepper->decrementButton();
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(stepper->title(), shownAfter);
        QCOMPARE(card.seen, reported);
    }

    void switchingModesKeepsValues()
    {
        Card card(u"replace"_qs, u"findText"_qs);
        card.operate(u"findText"_qs, u"IMG"_qs);
        card.operate(u"mode"_qs, u"Trim"_qs);
        card.operate(u"mode"_qs, u"Replace"_qs);
        QCOMPARE(card.field(u"findText"_qs).toString(), u"IMG"_qs);
        card.card = std::make_unique<InlineOperationEditor>(card.model.get(), 0);
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
        QCOMPARE(engine->operations().first().findText, u"abc"_qs);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->cursorPosition(), 2);

        QTest::mouseClick(cards.at(1)->findChild<QToolButton *>(u"removeOperation"_qs),
                          Qt::LeftButton);
        QCOMPARE(engine->operations().size(), 2);
        QCOMPARE(view.cards(), (QList<InlineOperationEditor *>{cards.at(0), cards.at(2)}));
        QCOMPARE(cards.at(2)->index(), 1);
        QCOMPARE(engine->operations().first().findText, u"abc"_qs);
    }

    // The card says in words, below the field at fault, why its step does nothing, as the
    // pattern, the template and the files change; the names stay as they are meanwhile.
    void cardSaysWhyTheStepDoesNothing()
    {
        const QString tooLong = u"This pattern takes too long to match."_qs;
        const auto engine = UiTest::makeEngine();
        engine->addFiles(UiTest::urlsFor({u"quick!"_qs}));
        RenameOperationWrapper step;
        step.mode = RenameMode::regex;
        step.regexReplacement = u"x"_qs;
        engine->setOperation(0, step);
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
                QVERIFY(outlinedInRed(field));
            }();
            return label->text();
        };
        const auto newName = [&] { return engine->files().constFirst().newName; };

        QTest::keyClicks(pattern, u"q(u"_qs);
        QCOMPARE(below(pattern), u"Missing closing parenthesis )"_qs);
        QCOMPARE(below(replacement), QString());
        QCOMPARE(newName(), u"quick!"_qs);
        QCOMPARE(pattern->toolTip(), QString()); // said on the card, not only on hovering
        QTest::keyClick(pattern, Qt::Key_ParenRight);
        QCOMPARE(below(pattern), QString());
        QVERIFY(!outlinedInRed(pattern));
        QCOMPARE(newName(), u"xick!"_qs);

        // "q(u)" has one group.
        QTest::keyClicks(replacement, u"$2"_qs);
        QCOMPARE(below(replacement), u"$2 in the replacement: the pattern has no group 2"_qs);
        QCOMPARE(below(pattern), QString());
        QCOMPARE(newName(), u"quick!"_qs);
        QTest::keyClick(replacement, Qt::Key_Backspace);
        QTest::keyClick(replacement, Qt::Key_1);
        QCOMPARE(below(replacement), QString());
        QVERIFY(!outlinedInRed(replacement));
        QCOMPARE(newName(), u"xuick!"_qs);

        pattern->selectAll();
        QTest::keyClicks(pattern, u"(a+)+$|!"_qs);
        QCOMPARE(below(pattern), QString()); // quick on "quick!"
        engine->addFiles(UiTest::urlsFor({QString(40, u'a') + u'!'}));
        QCOMPARE(below(pattern), tooLong);
        engine->clearAll();
        QCOMPARE(below(pattern), QString());
    }

    void setDataWritesAndPreviewsInOneCall_data()
    {
        QTest::addColumn<RenameOperationWrapper>("step");
        QTest::addColumn<int>("changes");
        QTest::newRow("changed step") << appending(u"_x"_qs) << 1;
        // A menu choice of the item already chosen still previews, but changes no row.
        QTest::newRow("same step") << RenameOperationWrapper() << 0;
    }

    void setDataWritesAndPreviewsInOneCall()
    {
        QFETCH(RenameOperationWrapper, step);
        QFETCH(int, changes);
        Fixture f;
        step.id = f.engine->operations().first().id;
        QSignalSpy previews(f.engine.get(), &RenameEngine::filesChanged);
        QSignalSpy stepChanges(&f.model, &QAbstractItemModel::dataChanged);
        QVERIFY(f.model.setData(f.model.index(0), QVariant::fromValue(step), Role::OperationRole));
        QCOMPARE(f.engine->operations().first(), step);
        QCOMPARE(previews.count(), 1);
        QCOMPARE(f.newName(0), changes ? u"a_x.txt"_qs : u"a.txt"_qs);
        int stepRoleChanges = 0;
        for (const QList<QVariant> &change : std::as_const(stepChanges))
            stepRoleChanges += change.at(2).value<QList<int>>().contains(Role::OperationRole);
        QCOMPARE(stepRoleChanges, changes);
    }

    // Steps come and go through the model and from elsewhere; what it cannot write it refuses.
    void stepsComeAndGoThroughTheModel()
    {
        Fixture f;
        const QList<RenameOperationWrapper> initial = f.engine->operations();
        const QVariant step = QVariant::fromValue(appending(u"_3"_qs));
        QVERIFY(!f.model.setData(f.model.index(1, 0), step, Role::OperationRole)); // past the end
        QVERIFY(!f.model.setData(f.model.index(0), QVariant(u"_x"_qs), Role::OperationRole));
        QVERIFY(!f.model.setData(f.model.index(0), step, Role::PatternProblemRole)); // read-only
        QVERIFY(!f.model.insertRows(0, 1)); // new steps go at the end only
        QCOMPARE(f.engine->operations(), initial);

        QVERIFY(f.model.insertRows(1, 2));
        QCOMPARE(f.engine->operations().size(), 3);
        QVERIFY(f.model.setData(f.model.index(2), step, Role::OperationRole));
        QVERIFY(f.model.removeRows(0, 2));
        QCOMPARE(f.model.rowCount(), 1);
        QCOMPARE(stepAt(f.model, 0).appendText, u"_3"_qs);
        QCOMPARE(f.newName(1), u"b_3.txt"_qs); // the preview follows the removal
        QVERIFY(!f.model.removeRows(0, 2));

        QVERIFY(f.engine->saveWorkflow(u"one step"_qs));
        f.engine->addOperation();
        QCOMPARE(f.model.rowCount(), 2);
        f.engine->setOperation(1, appending(u"_v"_qs));
        QCOMPARE(stepAt(f.model, 1).appendText, u"_v"_qs);
        f.engine->loadWorkflow(u"one step"_qs);
        QCOMPARE(f.model.rowCount(), 1);
        QCOMPARE(stepAt(f.model, 0).appendText, u"_3"_qs);
    }
};

BRISKLET_TEST(OperationEditorTest)
#include "tst_operationeditor.moc"
