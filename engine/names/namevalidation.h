#pragma once

// Internal to the engine: not part of its interface.

#include "names/optionaltext.h"

#include <QString>

// What a new name is on its own: a name with a character no file name may hold, nothing but
// white space, "." or "..", or more bytes than a file name can have, is an error. How names
// are judged against each other is NameJudge's.
namespace NameValidation {

// Whether the name holds ":", "/" or "\".
bool containsForbiddenCharacter(QStringView name);

// What a name is on its own, before it is compared with the others: only a name without
// an error is grouped with its equals.
// `flagged` is never a name's own: the preview gives it to a row a step cannot rename.
enum class Verdict : quint8 { grouped, invalidCharacters, emptyName, dotName, tooLong, flagged };
Verdict verdictOf(QStringView name);
// The most bytes a file name may have on disk, on every file system Linux writes.
constexpr qsizetype maximumNameBytes = 255;
// What a grouped name is compared by: `key` becomes its canonical form (its canonical
// caseless form in a folder that ignores case), or null when the name is its own (ASCII
// names in a folder that tells case apart are). Returns the hash of the key.
quint32 groupKey(const QString &name, QString &key, bool ignoresCase = false);
// The messages of the statuses, translated once for a whole list to share. The same texts
// come back as the very same messages from one preview to the next, so a file whose status
// stays as it was is left untouched.
struct Messages {
    OptionalText invalidCharacters;
    OptionalText emptyName;
    OptionalText dotName;
    OptionalText tooLong;
    OptionalText duplicate;
};
Messages messages();
} // namespace NameValidation
