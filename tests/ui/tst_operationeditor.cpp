#include "choicemenubutton.h"
#include "inlineoperationeditor.h"
#include "numberbadge.h"
#include "operationbinding.h"
#include "operationparameterseditor.h"
#include "segmentedcontrol.h"
#include "stepper.h"
#include "testregistry.h"
#include "toggleswitch.h"
#include "uitesthelpers.h"
#include "wholenumberfield.h"

#include <QComboBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace UiTest;
using namespace Qt::StringLiterals;

namespace {

// One card on operation 0 of a real engine. Each call of onChange records the bound field's
// value as the engine holds it at that moment, then runs the preview as the main window does.
struct CardFixture {
    std::unique_ptr<RenameEngine> engine = makeEngine();
    QString watchedField;
    QList<QJsonValue> seenAtChange;
    int removeCalls = 0;
    std::unique_ptr<InlineOperationEditor> card;

    explicit CardFixture(bool canRemove = false)
    {
        card = std::make_unique<InlineOperationEditor>(
            OperationBinding::toEngine(engine.get(), 0), 0, canRemove, [this] { ++removeCalls; },
            [this] {
                seenAtChange.append(field(watchedField));
                engine->updatePreview();
            });
    }

    QJsonValue field(const QString &name) const
    {
        return engine->operations().first().toJson().value(name);
    }

    void setUp(const std::function<void(RenameOperationWrapper &)> &change)
    {
        RenameOperationWrapper operation = engine->operations().first();
        change(operation);
        engine->setOperation(0, operation);
        card->refresh();
    }

    template <typename T> T *find(const QString &name) const { return card->findChild<T *>(name); }

    bool shows(const QString &name) const
    {
        auto *widget = card->findChild<QWidget *>(name);
        return widget && widget->isVisibleTo(card.get());
    }
};

RenameMode modeNamed(const QString &raw)
{
    return *enumFromRawValue<RenameMode>(raw);
}

} // namespace

class OperationEditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textFieldWritesOnEveryKeystroke_data();
    void textFieldWritesOnEveryKeystroke();
    void typingRefreshesThePreview();
    void numberFieldAlwaysHoldsAWholeNumber_data();
    void numberFieldAlwaysHoldsAWholeNumber();
    void switchWritesItsField_data();
    void switchWritesItsField();
    void segmentedControlWritesItsField_data();
    void segmentedControlWritesItsField();
    void choiceMenuWritesItsFieldAndAlwaysReports_data();
    void choiceMenuWritesItsFieldAndAlwaysReports();
    void modeMenuListsModesWithSeparators();
    void modeMenuWritesOnlyTheMode();
    void switchingModesKeepsValues();
    void trimRowsFollowTheTrimType_data();
    void trimRowsFollowTheTrimType();
    void baseNameRowFollowsUseOriginalNames();
    void stepperStopsAtOneAndSix();
    void removeButtonAndBadge_data();
    void removeButtonAndBadge();
};

void OperationEditorTest::textFieldWritesOnEveryKeystroke_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("placeholder");
    QTest::newRow("find") << "replace"
                          << "findText"
                          << "Text to find";
    QTest::newRow("replace") << "replace"
                             << "replaceText"
                             << "Replacement text";
    QTest::newRow("pattern") << "regex"
                             << "regexPattern"
                             << "Regular expression";
    QTest::newRow("regex replacement") << "regex"
                                       << "regexReplacement"
                                       << "Replacement";
    QTest::newRow("characters") << "trim"
                                << "customCharacters"
                                << "e.g., space (default)";
    QTest::newRow("append") << "append"
                            << "appendText"
                            << "Text to add at end";
    QTest::newRow("prepend") << "prepend"
                             << "prependText"
                             << "Text to add at start";
    QTest::newRow("base name") << "sequence"
                               << "sequenceBaseName"
                               << "Filename";
}

void OperationEditorTest::textFieldWritesOnEveryKeystroke()
{
    QFETCH(QString, mode);
    QFETCH(QString, field);
    QFETCH(QString, placeholder);
    CardFixture fixture;
    fixture.setUp([&](RenameOperationWrapper &operation) {
        operation.mode = modeNamed(mode);
        operation.trimType = TrimType::customCharacters;
    });
    fixture.watchedField = field;
    const QString before = fixture.field(field).toString();

    auto *lineEdit = fixture.find<QLineEdit>(field);
    QVERIFY(lineEdit);
    QVERIFY(fixture.shows(field));
    QCOMPARE(lineEdit->placeholderText(), placeholder);
    QTest::keyClicks(lineEdit, QStringLiteral("ab"));

    // One report per keystroke, each after the value was in the record.
    QCOMPARE(fixture.seenAtChange,
             (QList<QJsonValue>{before + QStringLiteral("a"), before + QStringLiteral("ab")}));
    // A refresh from the engine leaves the field as typed.
    fixture.card->refresh();
    QCOMPARE(lineEdit->text(), before + QStringLiteral("ab"));
}

void OperationEditorTest::typingRefreshesThePreview()
{
    CardFixture fixture;
    fixture.engine->addFiles(urlsFor({QStringLiteral("holiday.jpg")}));
    fixture.setUp(
        [](RenameOperationWrapper &operation) { operation.findText = QStringLiteral("holiday"); });
    auto *replacement = fixture.find<QLineEdit>(QStringLiteral("replaceText"));
    QTest::keyClick(replacement, Qt::Key_T);
    QCOMPARE(fixture.engine->files().first().newName, QStringLiteral("t.jpg"));
    QTest::keyClick(replacement, Qt::Key_O);
    QCOMPARE(fixture.engine->files().first().newName, QStringLiteral("to.jpg"));
}

void OperationEditorTest::numberFieldAlwaysHoldsAWholeNumber_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("field");
    QTest::newRow("trim count") << "trim"
                                << "trimCount";
    QTest::newRow("starting number") << "sequence"
                                     << "sequenceStart";
}

void OperationEditorTest::numberFieldAlwaysHoldsAWholeNumber()
{
    QFETCH(QString, mode);
    QFETCH(QString, field);
    CardFixture fixture;
    fixture.setUp([&](RenameOperationWrapper &operation) {
        operation.mode = modeNamed(mode);
        operation.trimType = TrimType::characterCount;
    });
    fixture.watchedField = field;
    auto *numberField = fixture.find<WholeNumberField>(field);
    QVERIFY(numberField);
    QCOMPARE(numberField->placeholderText(), QStringLiteral("1"));
    QCOMPARE(numberField->text(), QStringLiteral("1"));

    numberField->setFocus();
    numberField->selectAll();
    QTest::keyClicks(numberField, QStringLiteral("12"));
    QCOMPARE(fixture.field(field).toInteger(), 12);
    // "1" is the value already held, so only "12" is a change.
    QCOMPARE(fixture.seenAtChange, QList<QJsonValue>{12});

    // Letters are refused; an empty field leaves the last whole number in place and shows it
    // again once the user leaves the field.
    QTest::keyClicks(numberField, QStringLiteral("x"));
    QCOMPARE(numberField->text(), QStringLiteral("12"));
    numberField->clear();
    QCOMPARE(fixture.field(field).toInteger(), 12);
    Q_EMIT numberField->editingFinished();
    QCOMPARE(numberField->text(), QStringLiteral("12"));

    numberField->selectAll();
    QTest::keyClicks(numberField, QStringLiteral("-3"));
    QCOMPARE(fixture.field(field).toInteger(), -3);
    // The lone minus sign on the way was not a number and was not reported.
    QCOMPARE(fixture.seenAtChange, (QList<QJsonValue>{12, -3}));
}

void OperationEditorTest::switchWritesItsField_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("title");
    QTest::newRow("case sensitive") << "replace"
                                    << "caseSensitive"
                                    << "Case sensitive";
    QTest::newRow("before extension") << "append"
                                      << "beforeExtension"
                                      << "Before extension";
    QTest::newRow("use original names") << "sequence"
                                        << "useOriginalName"
                                        << "Use original names";
}

void OperationEditorTest::switchWritesItsField()
{
    QFETCH(QString, mode);
    QFETCH(QString, field);
    QFETCH(QString, title);
    CardFixture fixture;
    fixture.setUp([&](RenameOperationWrapper &operation) { operation.mode = modeNamed(mode); });
    fixture.watchedField = field;
    auto *toggle = fixture.find<ToggleSwitch>(field);
    QVERIFY(toggle);
    QCOMPARE(toggle->text(), title);
    const bool before = fixture.field(field).toBool();
    QCOMPARE(toggle->isChecked(), before);

    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(fixture.seenAtChange, QList<QJsonValue>{!before});
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(fixture.seenAtChange, (QList<QJsonValue>{!before, before}));
}

void OperationEditorTest::segmentedControlWritesItsField_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("rawValues");
    QTest::newRow("occurrence") << "replace"
                                << "replaceOccurrence"
                                << QStringList{u"First"_s, u"Last"_s, u"All"_s}
                                << QStringList{u"first"_s, u"last"_s, u"all"_s};
    QTest::newRow("trim position")
        << "trim"
        << "trimPosition" << QStringList{u"Leading"_s, u"Trailing"_s, u"Both"_s}
        << QStringList{u"leading"_s, u"trailing"_s, u"both"_s};
    QTest::newRow("location") << "sequence"
                              << "sequenceLocation"
                              << QStringList{u"Before name"_s, u"After name"_s}
                              << QStringList{u"before"_s, u"after"_s};
}

void OperationEditorTest::segmentedControlWritesItsField()
{
    QFETCH(QString, mode);
    QFETCH(QString, field);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, rawValues);
    CardFixture fixture;
    fixture.setUp([&](RenameOperationWrapper &operation) { operation.mode = modeNamed(mode); });
    fixture.watchedField = field;
    fixture.card->resize(400, fixture.card->sizeHint().height());
    auto *segments = fixture.find<SegmentedControl>(field);
    QVERIFY(segments);
    QCOMPARE(segments->titles(), titles);
    QCOMPARE(rawValues.at(segments->currentIndex()), fixture.field(field).toString());

    QList<QJsonValue> expected;
    for (int i = 0; i < titles.size(); ++i) {
        const bool alreadyChosen = i == segments->currentIndex();
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(i).center());
        if (!alreadyChosen)
            expected.append(rawValues.at(i));
        QCOMPARE(fixture.field(field).toString(), rawValues.at(i));
    }
    QCOMPARE(fixture.seenAtChange, expected);
}

void OperationEditorTest::choiceMenuWritesItsFieldAndAlwaysReports_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("rawValues");
    QTest::newRow("trim type") << "trim"
                               << "trimType"
                               << QStringList{u"Spaces"_s, u"Custom characters"_s,
                                              u"First/last characters"_s}
                               << QStringList{u"spaces"_s, u"customCharacters"_s,
                                              u"characterCount"_s};
    const QStringList cases{u"UPPERCASE"_s, u"lowercase"_s, u"Title Case"_s, u"camelCase"_s,
                            u"snake_case"_s};
    QTest::newRow("case type") << "changeCase"
                               << "caseType" << cases << cases;
}

void OperationEditorTest::choiceMenuWritesItsFieldAndAlwaysReports()
{
    QFETCH(QString, mode);
    QFETCH(QString, field);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, rawValues);
    CardFixture fixture;
    fixture.setUp([&](RenameOperationWrapper &operation) { operation.mode = modeNamed(mode); });
    fixture.watchedField = field;
    auto *menu = fixture.find<ChoiceMenuButton>(field);
    QVERIFY(menu);
    QStringList itemTitles;
    for (const QAction *action : menu->menu()->actions())
        itemTitles.append(action->text());
    QCOMPARE(itemTitles, titles);

    QList<QJsonValue> expected;
    for (int i = titles.size() - 1; i >= 0; --i) {
        menu->menu()->actions().at(i)->trigger();
        expected.append(rawValues.at(i));
        QCOMPARE(menu->text(), titles.at(i));
    }
    // The item already chosen still reports once.
    menu->menu()->actions().first()->trigger();
    expected.append(rawValues.first());
    QCOMPARE(fixture.seenAtChange, expected);
}

void OperationEditorTest::modeMenuListsModesWithSeparators()
{
    CardFixture fixture;
    auto *modeMenu = fixture.find<QComboBox>(QStringLiteral("mode"));
    QStringList items;
    for (int i = 0; i < modeMenu->count(); ++i)
        items.append(modeMenu->itemData(i).isValid() ? modeMenu->itemText(i) : QStringLiteral("-"));
    QCOMPARE(items,
             (QStringList{u"Replace"_s, u"Regular Expression"_s, u"-"_s, u"Trim"_s, u"-"_s,
                          u"Append"_s, u"Prepend"_s, u"-"_s, u"Change Case"_s, u"Sequence"_s}));
    QCOMPARE(modeMenu->currentText(), QStringLiteral("Replace"));
}

void OperationEditorTest::modeMenuWritesOnlyTheMode()
{
    CardFixture fixture;
    fixture.watchedField = QStringLiteral("mode");
    auto *modeMenu = fixture.find<QComboBox>(QStringLiteral("mode"));
    RenameOperationWrapper before = fixture.engine->operations().first();

    const int sequenceItem = modeMenu->findText(QStringLiteral("Sequence"));
    modeMenu->setCurrentIndex(sequenceItem);
    Q_EMIT modeMenu->activated(sequenceItem);
    QCOMPARE(fixture.seenAtChange, QList<QJsonValue>{QStringLiteral("sequence")});
    before.mode = RenameMode::sequence;
    QCOMPARE(fixture.engine->operations().first(), before);
    QVERIFY(fixture.shows(QStringLiteral("sequencePage")));
    QVERIFY(!fixture.shows(QStringLiteral("replacePage")));

    // Choosing the mode already in effect changes nothing and reports nothing.
    Q_EMIT modeMenu->activated(sequenceItem);
    QCOMPARE(fixture.seenAtChange.size(), 1);
}

void OperationEditorTest::switchingModesKeepsValues()
{
    CardFixture fixture;
    auto *find = fixture.find<QLineEdit>(QStringLiteral("findText"));
    auto *replace = fixture.find<QLineEdit>(QStringLiteral("replaceText"));
    QTest::keyClicks(find, QStringLiteral("IMG"));
    QTest::keyClicks(replace, QStringLiteral("Photo"));
    auto *modeMenu = fixture.find<QComboBox>(QStringLiteral("mode"));
    for (const QString &title : {QStringLiteral("Trim"), QStringLiteral("Replace")}) {
        const int item = modeMenu->findText(title);
        modeMenu->setCurrentIndex(item);
        Q_EMIT modeMenu->activated(item);
    }
    // A card rebuilt from the engine shows the same.
    fixture.card = std::make_unique<InlineOperationEditor>(
        OperationBinding::toEngine(fixture.engine.get(), 0), 0, false, [] {}, [] {});
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("findText"))->text(), QStringLiteral("IMG"));
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("replaceText"))->text(),
             QStringLiteral("Photo"));
    QVERIFY(fixture.shows(QStringLiteral("findText")));
}

void OperationEditorTest::trimRowsFollowTheTrimType_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("showsCount");
    QTest::addColumn<bool>("showsCharacters");
    QTest::newRow("spaces") << 0 << false << false;
    QTest::newRow("custom characters") << 1 << false << true;
    QTest::newRow("first/last characters") << 2 << true << false;
}

void OperationEditorTest::trimRowsFollowTheTrimType()
{
    QFETCH(int, choice);
    QFETCH(bool, showsCount);
    QFETCH(bool, showsCharacters);
    CardFixture fixture;
    fixture.setUp([](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::trim;
        // Start from another choice so that every row has to follow the menu.
        operation.trimType = TrimType::customCharacters;
    });
    fixture.find<ChoiceMenuButton>(QStringLiteral("trimType"))
        ->menu()
        ->actions()
        .at(choice)
        ->trigger();
    QCOMPARE(fixture.shows(QStringLiteral("trimCount")), showsCount);
    QCOMPARE(fixture.shows(QStringLiteral("trimCountLabel")), showsCount);
    QCOMPARE(fixture.shows(QStringLiteral("customCharacters")), showsCharacters);
    QCOMPARE(fixture.shows(QStringLiteral("customCharactersLabel")), showsCharacters);
    QVERIFY(fixture.shows(QStringLiteral("trimPosition")));
    QVERIFY(fixture.shows(QStringLiteral("trimPositionLabel")));
}

void OperationEditorTest::baseNameRowFollowsUseOriginalNames()
{
    CardFixture fixture;
    fixture.setUp([](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::sequence;
        operation.sequenceBaseName = QStringLiteral("Holiday");
    });
    auto *toggle = fixture.find<ToggleSwitch>(QStringLiteral("useOriginalName"));
    QVERIFY(fixture.shows(QStringLiteral("sequenceBaseName")));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!fixture.shows(QStringLiteral("sequenceBaseName")));
    QVERIFY(!fixture.shows(QStringLiteral("sequenceBaseNameLabel")));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(fixture.shows(QStringLiteral("sequenceBaseNameLabel")));
    QCOMPARE(fixture.find<QLineEdit>(QStringLiteral("sequenceBaseName"))->text(),
             QStringLiteral("Holiday"));
}

void OperationEditorTest::stepperStopsAtOneAndSix()
{
    CardFixture fixture;
    fixture.setUp([](RenameOperationWrapper &operation) { operation.mode = RenameMode::sequence; });
    fixture.watchedField = QStringLiteral("sequencePadding");
    auto *stepper = fixture.find<Stepper>(QStringLiteral("sequencePadding"));
    QCOMPARE(stepper->title(), QStringLiteral("Padding: 2"));

    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(stepper->decrementButton(), Qt::LeftButton);
    QCOMPARE(fixture.seenAtChange, QList<QJsonValue>{1});
    QCOMPARE(stepper->title(), QStringLiteral("Padding: 1"));

    for (int i = 0; i < 8; ++i)
        QTest::mouseClick(stepper->incrementButton(), Qt::LeftButton);
    QCOMPARE(fixture.seenAtChange, (QList<QJsonValue>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(stepper->title(), QStringLiteral("Padding: 6"));
    QCOMPARE(fixture.field(QStringLiteral("sequencePadding")).toInteger(), 6);
}

void OperationEditorTest::removeButtonAndBadge_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("canRemove");
    QTest::newRow("only operation") << 0 << false;
    QTest::newRow("first of two") << 0 << true;
    QTest::newRow("third") << 2 << true;
}

void OperationEditorTest::removeButtonAndBadge()
{
    QFETCH(int, index);
    QFETCH(bool, canRemove);
    CardFixture fixture(canRemove);
    fixture.card->setIndex(index);
    QCOMPARE(fixture.find<NumberBadge>(QStringLiteral("numberBadge"))->number(), index + 1);
    auto *remove = fixture.find<QToolButton>(QStringLiteral("removeOperation"));
    QCOMPARE(remove->isVisibleTo(fixture.card.get()), canRemove);
    QCOMPARE(remove->toolTip(), QStringLiteral("Remove this operation"));
    if (canRemove) {
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(fixture.removeCalls, 1);
    }
    fixture.card->setCanRemove(!canRemove);
    QCOMPARE(remove->isVisibleTo(fixture.card.get()), !canRemove);
}

BRISKLET_TEST(OperationEditorTest)
#include "tst_operationeditor.moc"
