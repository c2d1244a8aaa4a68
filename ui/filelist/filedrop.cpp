#include "filelist/filedrop.h"

#include <QDropEvent>

#include "renameengine.h"

#include <QMimeData>

#include <algorithm>

bool FileDrop::carriesFiles(const QMimeData *mimeData)
{
    if (!mimeData || !mimeData->hasUrls())
        return false;
    // A dragged web link is not a file; a file URL counts even when it later turns out to
    // lead nowhere usable.
    const QList<QUrl> urls = mimeData->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl &url) { return url.isLocalFile(); });
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
        engine->startAddingFiles(files);
}

bool FileDrop::accept(QDropEvent *event)
{
    if (!carriesFiles(event->mimeData())) {
        event->ignore();
        return false;
    }
    event->acceptProposedAction();
    return true;
}
