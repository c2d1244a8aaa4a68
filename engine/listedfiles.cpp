#include "listedfiles.h"

#include "filemover.h"
#include "localpath.h"
#include "parallelranges.h"
#include "rowid.h"

void ListedFiles::append(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover)
{
    // Each row is made from its URL alone, so a large drop is cut into pieces that are made
    // on all the cores at once; reading each file's identity (one system call per file) is
    // most of the time a large drop takes.
    constexpr qsizetype minimumPiece = 4096;
    const qsizetype first = files.size();
    files.resize(first + urls.size());
    FileItem *const added = files.data() + first; // detached here, before any thread starts
    ParallelRanges::run(urls.size(), minimumPiece, [&](qsizetype, qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i) {
            FileItem &item = added[i];
            const QUrl &url = urls.at(i);
            item.id = RowId::create();
            item.path = LocalPath::fromUrl(url);
            item.url = FileUrl(url, item.path);
            // LocalPath::display(LocalPath::nameOf(path)), without copying the name first.
            item.originalName = item.path.isEmpty()
                                    ? LocalPath::nameOf(url)
                                    : QString::fromUtf8(QByteArrayView(item.path).sliced(
                                          LocalPath::nameStart(item.path)));
            item.newName = item.originalName;
            if (!item.path.isEmpty())
                item.identity = mover.identity(item.path);
        }
    });
}
