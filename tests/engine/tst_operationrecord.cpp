#include "testmain.h"

#include "names/renameoperationwrapper.h"

#include <QJsonDocument>
#include <QTest>

class OperationRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsEveryField()
    {
        // Every field away from its default.
        RenameOperationWrapper operation;
        operation.mode = RenameMode::trim;
        operation.findText = u"f\u00e9"_qs;
        operation.replaceText = u"r"_qs;
        operation.caseSensitive = true;
        operation.replaceOccurrence = ReplaceOccurrence::last;
        operation.appendText = u"a"_qs;
        operation.prependText = u"p"_qs;
        operation.beforeExtension = false;
        operation.sequenceBaseName = u"Base"_qs;
        operation.sequenceStart = -9007199254740993; // not representable as a double
        operation.sequencePadding = 0;
        operation.sequenceLocation = SequenceLocation::before;
        operation.useOriginalName = true;
        operation.trimType = TrimType::characterCount;
        operation.trimCount = 7;
        operation.trimPosition = TrimPosition::both;
        operation.customCharacters = u"_-"_qs;
        operation.caseType = CaseType::titleCase;
        operation.regexPattern = u"(\\d+)"_qs;
        operation.regexReplacement = u"$1"_qs;

        const QJsonObject json = operation.toJson();
        QCOMPARE(json.value(u"caseType"_qs).toString(), u"Title Case"_qs);
        const QString id = json.value(u"id"_qs).toString();
        QCOMPARE(id, operation.id.toString(QUuid::WithoutBraces).toUpper());
        // Through text, as the store keeps it.
        const QByteArray bytes = QJsonDocument(json).toJson(QJsonDocument::Compact);
        QCOMPARE(RenameOperationWrapper::fromJson(QJsonDocument::fromJson(bytes).object()),
                 operation);
    }

    void strictReading_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined = key removed
        QTest::addColumn<bool>("accepted");

        QTest::newRow("missing key")
            << u"regexReplacement"_qs << QJsonValue(QJsonValue::Undefined) << false;
        QTest::newRow("case name instead of raw value")
            << u"caseType"_qs << QJsonValue(u"titleCase"_qs) << false;
        QTest::newRow("unknown mode") << u"mode"_qs << QJsonValue(u"rotate"_qs) << false;
        QTest::newRow("bool as number") << u"caseSensitive"_qs << QJsonValue(1) << false;
        QTest::newRow("number as text") << u"sequenceStart"_qs << QJsonValue(u"1"_qs) << false;
        QTest::newRow("fractional number") << u"trimCount"_qs << QJsonValue(1.5) << false;
        QTest::newRow("braced uuid")
            << u"id"_qs << QJsonValue(u"{6F1C1F44-5F38-4A0E-9A55-0B6B8A5D1C2E}"_qs) << false;
        QTest::newRow("lower-case uuid")
            << u"id"_qs << QJsonValue(u"6f1c1f44-5f38-4a0e-9a55-0b6b8a5d1c2e"_qs) << true;
        QTest::newRow("whole number as double") << u"trimCount"_qs << QJsonValue(3.0) << true;
        QTest::newRow("unknown extra key") << u"color"_qs << QJsonValue(u"blue"_qs) << true;
    }

    void strictReading()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, accepted);
        QJsonObject object = RenameOperationWrapper().toJson();
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
        QCOMPARE(RenameOperationWrapper::fromJson(object).has_value(), accepted);
    }
};

BRISKLET_TEST(OperationRecordTest)
#include "tst_operationrecord.moc"
