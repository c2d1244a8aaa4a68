#pragma once

#include "files/fileurl.h"
#include "files/itemidentity.h"
#include "files/renamestatus.h"
#include "names/optionaltext.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

// One listed file. Rows are told apart by `id` alone: an item is listed once, but a URL
// that names no item (not a local file, or nothing there) may be listed twice.
// A list can hold a million of these: the members are ordered so that no padding falls
// between them.
struct FileItem {
    QUuid id;
    FileUrl url;
    QString originalName;
    QString newName;
    // Where the file is, in the file system's exact bytes (the URL's path, which may not be
    // valid UTF-8; `originalName` shows it decoded), and which item it was when listed or
    // last moved. Empty and none for a URL that is not a local file.
    QByteArray path;
    std::optional<ItemIdentity> identity;
    OptionalText errorMessage;
    RenameStatus status = RenameStatus::pending;

    bool operator==(const FileItem &other) const = default;
};

size_t qHash(const FileItem &item, size_t seed = 0) noexcept;
