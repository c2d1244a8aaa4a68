#pragma once

// Internal to the engine: not part of its interface.

#include "files/itemidentity.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Reads which item is at a path (device, inode and type), not following a symbolic link;
// none when nothing is there. Many paths are read together folder by folder, from the
// folder's entries where the file system's entries give the same answer as reading each
// item does.
namespace IdentityReads {

std::optional<ItemIdentity> read(const QByteArray &path);
// Each of `paths`, in order, as read() reads it.
QList<std::optional<ItemIdentity>> readAll(const QList<QByteArray> &paths);

} // namespace IdentityReads
