#pragma once

// Internal to the engine: not part of its interface.

#include <QUuid>

// Random version-4 UUIDs for rows, fast enough for a drop of a million files.
// QUuid::createUuid asks the system's random source for every id, which on a virtual
// machine costs more than everything else a new row needs; a generator seeded once per
// thread from that source gives ids that are just as random for telling rows apart.
namespace RowId {

QUuid create();

} // namespace RowId
