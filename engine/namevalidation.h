#pragma once

// Internal to the engine: not part of its interface.

#include "fileitem.h"

#include <QList>
#include <QString>

// Judges the new names of a whole list, as every preview does: a name with a character no
// file name may hold, or nothing but white space, is an error; names that are the same
// under canonical equivalence are conflicts. Every file gets a fresh status.
namespace NameValidation {

// Whether the name holds ":", "/" or "\".
bool containsForbiddenCharacter(QStringView name);

// Sets the status and message of every file from its new name.
void judge(QList<FileItem> &files);

} // namespace NameValidation
