#include "files/fileitem.h"

#include <QHashFunctions>

size_t qHash(const FileItem &item, size_t seed) noexcept
{
    return qHashMulti(seed, item.id, item.url, item.originalName, item.newName,
                      static_cast<int>(item.status), item.errorMessage.has_value(),
                      item.errorMessage.value_or(QString()));
}
