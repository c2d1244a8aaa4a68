#include "names/nameparts.h"

#include "disk/localpath.h"

NameParts NameParts::split(const QString &name)
{
    const qsizetype componentStart = LocalPath::nameStart(name);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= componentStart)
        return {name, QStringView()};
    return {name.left(dot), QStringView(name).mid(dot + 1)};
}

QString NameParts::join(const QString &baseName, QStringView extension)
{
    if (extension.isEmpty())
        return baseName;
    QString result;
    result.reserve(baseName.size() + 1 + extension.size());
    result.append(baseName).append(u'.').append(extension);
    return result;
}
