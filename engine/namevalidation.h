#pragma once

// Internal to the engine: not part of its interface.

#include "fileitem.h"
#include "optionaltext.h"

#include <QList>
#include <QString>

#include <utility>
#include <vector>

// Judges the new names of a whole list, as every preview does: a name with a character no
// file name may hold, or nothing but white space, is an error; names that are the same
// under canonical equivalence are conflicts. Every file gets a fresh status.
namespace NameValidation {

// Whether the name holds ":", "/" or "\".
bool containsForbiddenCharacter(QStringView name);

// What a name is on its own, before it is compared with the others: only a name without
// an error is grouped with its equals.
enum class Verdict : quint8 { grouped, invalidCharacters, emptyName };
Verdict verdictOf(QStringView name);
// What a grouped name is compared by: `key` becomes its canonical form, or null when the
// name is its own (ASCII names are). Returns the hash the groups file the name under.
quint32 groupKey(const QString &name, QString &key);

// The messages of the statuses, translated once for a whole list to share. The same texts
// come back as the very same messages from one preview to the next, so a file whose status
// stays as it was is left untouched.
struct Messages {
    OptionalText invalidCharacters;
    OptionalText emptyName;
    OptionalText duplicate;
};
Messages messages();
// How many files of a list got each status that holds the user back.
struct Counts {
    qsizetype conflicts = 0;
    qsizetype errors = 0;
};

// Sets a file's status and message from its verdict and the size of its group of equals,
// and counts it.
void setStatus(FileItem &item, Verdict verdict, qsizetype groupSize, const Messages &messages,
               Counts &counts);

// The counts of the pieces of a list together.
Counts total(const std::vector<Counts> &pieces);

// What judging needs of each new name of a list, by row: its verdict and, when it is
// grouped, the hash of its key. Worked out in pieces of the list, one core to a piece,
// best where each name is made, while its text is still in the processor's cache.
struct Keys {
    Keys(qsizetype count, qsizetype pieces);

    std::vector<quint32> hashes;
    std::vector<Verdict> verdicts;
    // The canonical keys of the few names that are not their own, by piece, each in the
    // list's order.
    std::vector<std::vector<std::pair<qsizetype, QString>>> keysOfPiece;
};
// Works out the verdict and key of the name of `row`, a row of `piece`.
void addKey(Keys &keys, qsizetype piece, qsizetype row, const QString &name);

// Sets the status and message of every file from its new name, and counts them.
Counts judge(QList<FileItem> &files);
// The same, with the keys of every new name worked out already.
Counts judge(QList<FileItem> &files, Keys keys);

} // namespace NameValidation
