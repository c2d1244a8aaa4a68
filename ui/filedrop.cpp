#include "filedrop.h"

#include "renameengine.h"

#include <QMimeData>

bool FileDrop::carriesFiles(const QMimeData *mimeData)
{
    return mimeData && mimeData->hasUrls();
}

QList<QUrl> FileDrop::fileUrls(const QMimeData *mimeData)
{
    QList<QUrl> files;
    if (!mimeData)
        return files;
    const QList<QUrl> urls = mimeData->urls();
    files.reserve(urls.size());
    for (const QUrl &url : urls) {
        if (url.isValid() && url.isLocalFile() && !url.toLocalFile().isEmpty())
            files.append(url);
    }
    return files;
}

void FileDrop::addToEngine(const QMimeData *mimeData, RenameEngine *engine)
{
    const QList<QUrl> files = fileUrls(mimeData);
    if (engine && !files.isEmpty())
        engine->addFiles(files);
}
