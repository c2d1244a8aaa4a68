#pragma once

#include "files/itemidentity.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Moves one item on disk. The engine relies on a move never replacing an existing item:
// when something already exists at the destination, the move fails and both stay.
class FileMover {
public:
    struct Result {
        bool succeeded = false;
        // A readable sentence when the move failed, such as "Permission denied."
        QString errorDescription;
    };

    virtual ~FileMover() = default;

    // Both arguments are absolute local paths in the file system's own bytes, which need
    // not be valid UTF-8.
    virtual Result moveItem(const QByteArray &sourcePath, const QByteArray &destinationPath) = 0;

    // The item at the path, not following a symbolic link; none when nothing is there. A
    // mover that cannot tell items apart reports none everywhere, and then every path
    // counts as still holding the item listed. May be called from two threads at once.
    virtual std::optional<ItemIdentity> identity(const QByteArray &path)
    {
        Q_UNUSED(path);
        return std::nullopt;
    }

    // The identity of each of `paths`, in order, each as identity() reads it. A mover may
    // read many paths of one folder faster together than one by one.
    virtual QList<std::optional<ItemIdentity>> identities(const QList<QByteArray> &paths)
    {
        QList<std::optional<ItemIdentity>> result;
        result.reserve(paths.size());
        for (const QByteArray &path : paths)
            result.append(identity(path));
        return result;
    }
};
