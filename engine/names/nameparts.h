#pragma once

#include <QString>

// A file name split at its extension dot: the text after the last "." of the last path
// component, unless that dot starts the component (".profile" has no extension).
// The extension points into the split name, which must outlive it.
struct NameParts {
    QString baseName;
    QStringView extension;

    static NameParts split(const QString &name);
    // The base name, then "." and the extension when there is one.
    static QString join(const QString &baseName, QStringView extension);
};
