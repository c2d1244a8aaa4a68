#pragma once

#include "names/renameoperationwrapper.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A stack of steps as a JSON array of operation records in the settings store's own
// format. A record may leave fields out: each takes the value of a new step, so
// `[{"mode":"changeCase","caseType":"lowercase"}]` is a whole stack.
namespace StackFile {

// The steps; none, with `error` naming the record's line and the field, when the text is
// not such an array.
std::optional<QList<RenameOperationWrapper>> parse(const QByteArray &text, QString *error);

// The steps as an indented JSON array that parse() reads back.
QByteArray serialize(const QList<RenameOperationWrapper> &operations);

} // namespace StackFile
