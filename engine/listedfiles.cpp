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
        // The identities are read in runs of paths, which the mover can read faster
        // together when they share a folder.
        constexpr qsizetype run = 1024;
        QList<QByteArray> paths;
        QList<qsizetype> rows;
        paths.reserve(run);
        rows.reserve(run);
        const auto readIdentities = [&] {
            const QList<std::optional<ItemIdentity>> read = mover.identities(paths);
            for (qsizetype k = 0; k < rows.size(); ++k)
                added[rows.at(k)].identity = read.at(k);
            paths.clear();
            rows.clear();
        };
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
            if (!item.path.isEmpty()) {
                paths.append(item.path);
                rows.append(i);
                if (paths.size() == run)
                    readIdentities();
            }
        }
        readIdentities();
    });
}
