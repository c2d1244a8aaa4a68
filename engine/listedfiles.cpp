#include "listedfiles.h"

#include "filemover.h"
#include "localpath.h"
#include "rowid.h"

#include <thread>

namespace {

// Reads the identities of the rows from `begin` to `end`.
void readIdentities(QList<FileItem> &list, qsizetype begin, qsizetype end, FileMover &mover)
{
    // One system call per file is most of the time a large drop takes, so a large one is
    // read on two threads.
    FileItem *const files = list.data(); // detached here, once, before any thread starts
    const auto read = [files, &mover](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (!files[i].path.isEmpty())
                files[i].identity = mover.identity(files[i].path);
        }
    };
    constexpr qsizetype worthAThread = 4096;
    if (end - begin < worthAThread || std::thread::hardware_concurrency() < 2) {
        read(begin, end);
        return;
    }
    const qsizetype middle = begin + (end - begin) / 2;
    std::thread second(read, middle, end);
    read(begin, middle);
    second.join();
}

} // namespace

void ListedFiles::append(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover)
{
    files.reserve(files.size() + urls.size());
    for (const QUrl &url : urls) {
        FileItem item;
        item.id = RowId::create();
        item.url = url;
        item.path = LocalPath::fromUrl(url);
        item.originalName = item.path.isEmpty() ? LocalPath::nameOf(url)
                                                : LocalPath::display(LocalPath::nameOf(item.path));
        item.newName = item.originalName;
        files.append(std::move(item));
    }
    readIdentities(files, files.size() - urls.size(), files.size(), mover);
}
