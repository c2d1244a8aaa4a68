#pragma once

#include <QString>

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

    // Both arguments are absolute local paths.
    virtual Result moveItem(const QString &sourcePath, const QString &destinationPath) = 0;
};
