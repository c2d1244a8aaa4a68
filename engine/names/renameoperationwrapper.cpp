#include "names/renameoperationwrapper.h"

#include <QJsonValue>

#include <limits>

namespace {

// The 36-character hyphenated form (8-4-4-4-12 hexadecimal digits), either case.
// QUuid::fromString alone would also take braces and answer a nil UUID for garbage.
std::optional<QUuid> uuidFromText(const QString &text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return std::nullopt;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') ||
                     (c >= u'A' && c <= u'F'))) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

class StrictReader {
public:
    explicit StrictReader(const QJsonObject &object) : m_object(object) {}

    bool ok() const { return m_ok; }

    QString text(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isString()) {
            m_ok = false;
            return {};
        }
        return value.toString();
    }

    bool boolean(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isBool()) {
            m_ok = false;
            return false;
        }
        return value.toBool();
    }

    // A JSON number that is a whole number within the 64-bit range.
    qint64 integer(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isDouble()) {
            m_ok = false;
            return 0;
        }
        constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
        const qint64 result = value.toInteger(sentinel);
        if (result == sentinel && value.toDouble() != static_cast<double>(sentinel))
            m_ok = false;
        return result;
    }

    template <typename Enum> Enum enumeration(QLatin1StringView key)
    {
        const std::optional<Enum> value = enumFromRawValue<Enum>(text(key));
        if (!value) {
            m_ok = false;
            return EnumCases<Enum>::all.front();
        }
        return *value;
    }

    QUuid uuid(QLatin1StringView key)
    {
        const std::optional<QUuid> value = uuidFromText(text(key));
        if (!value) {
            m_ok = false;
            return {};
        }
        return *value;
    }

private:
    const QJsonObject &m_object;
    bool m_ok = true;
};

// Whether the record has any key of the file-info step; one that has any must have all.
bool hasFileInfoKeys(const QJsonObject &object)
{
    for (const char *key :
         {"infoField", "infoDateFormat", "infoPlacement", "infoSeparator", "infoWhenMissing"}) {
        if (object.contains(QLatin1String(key)))
            return true;
    }
    return false;
}

} // namespace

QJsonObject RenameOperationWrapper::toJson() const
{
    QJsonObject object;
    object.insert(QLatin1String("id"), id.toString(QUuid::WithoutBraces).toUpper());
    object.insert(QLatin1String("mode"), rawValue(mode));
    object.insert(QLatin1String("findText"), findText);
    object.insert(QLatin1String("replaceText"), replaceText);
    object.insert(QLatin1String("caseSensitive"), caseSensitive);
    object.insert(QLatin1String("replaceOccurrence"), rawValue(replaceOccurrence));
    object.insert(QLatin1String("appendText"), appendText);
    object.insert(QLatin1String("prependText"), prependText);
    object.insert(QLatin1String("beforeExtension"), beforeExtension);
    object.insert(QLatin1String("sequenceBaseName"), sequenceBaseName);
    object.insert(QLatin1String("sequenceStart"), sequenceStart);
    object.insert(QLatin1String("sequencePadding"), sequencePadding);
    object.insert(QLatin1String("sequenceLocation"), rawValue(sequenceLocation));
    object.insert(QLatin1String("useOriginalName"), useOriginalName);
    object.insert(QLatin1String("trimType"), rawValue(trimType));
    object.insert(QLatin1String("trimCount"), trimCount);
    object.insert(QLatin1String("trimPosition"), rawValue(trimPosition));
    object.insert(QLatin1String("customCharacters"), customCharacters);
    object.insert(QLatin1String("caseType"), rawValue(caseType));
    object.insert(QLatin1String("regexPattern"), regexPattern);
    object.insert(QLatin1String("regexReplacement"), regexReplacement);
    object.insert(QLatin1String("infoField"), rawValue(infoField));
    object.insert(QLatin1String("infoDateFormat"), infoDateFormat);
    object.insert(QLatin1String("infoPlacement"), rawValue(infoPlacement));
    object.insert(QLatin1String("infoSeparator"), infoSeparator);
    object.insert(QLatin1String("infoWhenMissing"), rawValue(infoWhenMissing));
    return object;
}

std::optional<RenameOperationWrapper> RenameOperationWrapper::fromJson(const QJsonObject &object)
{
    StrictReader read(object);
    RenameOperationWrapper operation;
    operation.id = read.uuid(QLatin1String("id"));
    operation.mode = read.enumeration<RenameMode>(QLatin1String("mode"));
    operation.findText = read.text(QLatin1String("findText"));
    operation.replaceText = read.text(QLatin1String("replaceText"));
    operation.caseSensitive = read.boolean(QLatin1String("caseSensitive"));
    operation.replaceOccurrence =
        read.enumeration<ReplaceOccurrence>(QLatin1String("replaceOccurrence"));
    operation.appendText = read.text(QLatin1String("appendText"));
    operation.prependText = read.text(QLatin1String("prependText"));
    operation.beforeExtension = read.boolean(QLatin1String("beforeExtension"));
    operation.sequenceBaseName = read.text(QLatin1String("sequenceBaseName"));
    operation.sequenceStart = read.integer(QLatin1String("sequenceStart"));
    operation.sequencePadding = read.integer(QLatin1String("sequencePadding"));
    operation.sequenceLocation =
        read.enumeration<SequenceLocation>(QLatin1String("sequenceLocation"));
    operation.useOriginalName = read.boolean(QLatin1String("useOriginalName"));
    operation.trimType = read.enumeration<TrimType>(QLatin1String("trimType"));
    operation.trimCount = read.integer(QLatin1String("trimCount"));
    operation.trimPosition = read.enumeration<TrimPosition>(QLatin1String("trimPosition"));
    operation.customCharacters = read.text(QLatin1String("customCharacters"));
    operation.caseType = read.enumeration<CaseType>(QLatin1String("caseType"));
    operation.regexPattern = read.text(QLatin1String("regexPattern"));
    operation.regexReplacement = read.text(QLatin1String("regexReplacement"));
    if (hasFileInfoKeys(object)) {
        operation.infoField = read.enumeration<FileInfoField>(QLatin1String("infoField"));
        operation.infoDateFormat = read.text(QLatin1String("infoDateFormat"));
        operation.infoPlacement = read.enumeration<InfoPlacement>(QLatin1String("infoPlacement"));
        operation.infoSeparator = read.text(QLatin1String("infoSeparator"));
        operation.infoWhenMissing = read.enumeration<MissingInfo>(QLatin1String("infoWhenMissing"));
    }
    if (!read.ok())
        return std::nullopt;
    return operation;
}
