#pragma once

#include <QtGlobal>

// Which item a path names: device, inode and file type, read without following a
// symbolic link. Two different items never share all three at the same moment, so a path
// whose identity changed holds another item, even when it has the same name.
struct ItemIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    quint32 type = 0; // the S_IFMT bits of the mode

    bool operator==(const ItemIdentity &other) const = default;
};
