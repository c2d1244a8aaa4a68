#pragma once

#include <QString>

// A file name split at its extension dot: the text after the last "." of the last path
// component, unless that dot starts the component (".profile" has no extension).
struct NameParts {
    QString baseName;
    QString extension;

    static NameParts split(const QString &name);
    // The base name, then "." and the extension when there is one.
    static QString join(const QString &baseName, const QString &extension);
};
