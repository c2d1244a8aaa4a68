#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/listedfolders.h"
#include "names/optionaltext.h"

#include <QList>
#include <QString>

#include <utility>
#include <vector>

// Judges the new names of a whole list, as every preview does: a name with a character no
// file name may hold, nothing but white space, "." or "..", or more bytes than a file name
// can have, is an error; names in the same folder that are the same under canonical
// equivalence (and letter case aside, where the folder ignores it) are conflicts. Every
// file gets a fresh status.
namespace NameValidation {

// Whether the name holds ":", "/" or "\".
bool containsForbiddenCharacter(QStringView name);

// What a name is on its own, before it is compared with the others: only a name without
// an error is grouped with its equals.
enum class Verdict : quint8 { grouped, invalidCharacters, emptyName, dotName, tooLong };
Verdict verdictOf(QStringView name);
// The most bytes a file name may have on disk, on every file system Linux writes.
constexpr qsizetype maximumNameBytes = 255;
// What a grouped name is compared by: `key` becomes its canonical form (its canonical
// caseless form in a folder that ignores case), or null when the name is its own (ASCII
// names in a folder that tells case apart are). Returns the hash of the key.
quint32 groupKey(const QString &name, QString &key, bool ignoresCase = false);
// The hash the groups file a name under: its key's, told apart by its folder. Names in
// folder 0 keep the hash of their key.
inline quint32 placeHash(quint32 keyHash, qint32 folder)
{
    return folder == 0 ? keyHash : keyHash ^ (quint32(folder) * 0x9E3779B1u);
}

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
    // `folders` outlives the keys.
    Keys(qsizetype count, qsizetype pieces, const ListedFolders &folders);

    const ListedFolders *folders;
    std::vector<quint32> hashes;
    std::vector<Verdict> verdicts;
    // The canonical keys of the few names that are not their own, by piece, each in the
    // list's order.
    std::vector<std::vector<std::pair<qsizetype, QString>>> keysOfPiece;
};
// Works out the verdict and key of the name of `row`, a row of `piece`.
void addKey(Keys &keys, qsizetype piece, qsizetype row, const QString &name);

// Sets the status and message of every file from its new name, and counts them: with the
// folders of the files, none of them ignoring case, or with the folders given.
Counts judge(QList<FileItem> &files);
Counts judge(QList<FileItem> &files, const ListedFolders &folders);
// The same, with the keys of every new name worked out already.
Counts judge(QList<FileItem> &files, Keys keys);

} // namespace NameValidation
