#pragma once

#include "names/renameenums.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

// One step of the operation stack. It carries the parameters of every mode at once, so
// switching the mode back and forth keeps what the user typed for each of them.
struct RenameOperationWrapper {
    QUuid id = QUuid::createUuid();
    RenameMode mode = RenameMode::replace;
    QString findText{};
    QString replaceText{};
    bool caseSensitive = false;
    ReplaceOccurrence replaceOccurrence = ReplaceOccurrence::all;
    QString appendText{};
    QString prependText{};
    bool beforeExtension = true;
    QString sequenceBaseName = QStringLiteral("File");
    qint64 sequenceStart = 1;
    qint64 sequencePadding = 2;
    SequenceLocation sequenceLocation = SequenceLocation::after;
    bool useOriginalName = false;
    TrimType trimType = TrimType::spaces;
    qint64 trimCount = 1;
    TrimPosition trimPosition = TrimPosition::leading;
    QString customCharacters{};
    CaseType caseType = CaseType::lowercase;
    QString regexPattern{};
    QString regexReplacement{};
    // The file-info step; records written before it existed have none of these keys and
    // load with these values.
    FileInfoField infoField = FileInfoField::dateTaken;
    QString infoDateFormat = QStringLiteral("yyyy-MM-dd"); // an ICU date pattern
    InfoPlacement infoPlacement = InfoPlacement::before;
    QString infoSeparator = QStringLiteral(" ");
    MissingInfo infoWhenMissing = MissingInfo::flagRow;

    bool operator==(const RenameOperationWrapper &other) const = default;

    // All 26 keys, the UUID in upper case.
    QJsonObject toJson() const;
    // Strict: a missing key, a value of the wrong kind, an unknown raw value or a bad
    // UUID fails the whole record. Keys it does not know are ignored. The five keys of the
    // file-info step may be missing all together, as in records older than that step; a
    // record with some of them only fails.
    static std::optional<RenameOperationWrapper> fromJson(const QJsonObject &object);
};
