#pragma once

#include "renamestatus.h"

#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

// One listed file. Rows are told apart by `id` alone; the same URL may be listed twice.
struct FileItem {
    QUuid id;
    QUrl url;
    QString originalName;
    QString newName;
    RenameStatus status = RenameStatus::pending;
    std::optional<QString> errorMessage;

    bool operator==(const FileItem &other) const = default;
};

size_t qHash(const FileItem &item, size_t seed = 0) noexcept;
