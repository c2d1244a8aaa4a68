#pragma once

#include <QtGlobal>

// Which item a path names: device, inode and file type, read without following a
// symbolic link. Two different items never share all three at the same moment, so a path
// whose identity changed holds another item, even when it has the same name.
//
// Packed to 4-byte alignment, 20 bytes: an optional identity then takes 24 bytes instead of
// 32, which a million listed files notice. The members are read and written by value only.
#pragma pack(push, 4)
struct ItemIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    quint32 type = 0; // the S_IFMT bits of the mode

    bool operator==(const ItemIdentity &other) const = default;
};
#pragma pack(pop)
static_assert(sizeof(ItemIdentity) == 20);
