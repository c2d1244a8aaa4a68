#include "fileinfo/fileinforeader.h"

#include "fileinfo/audiotags.h"
#include "fileinfo/imagedetails.h"
#include "fileinfo/mediakind.h"

#include <QCoreApplication>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/error.hpp>
#include <exiv2/xmp_exiv2.hpp>
#pragma GCC diagnostic pop
#include <taglib/tdebuglistener.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

// TagLib and Exiv2 say what they find odd in a file on the standard error; a damaged file
// is reported once, as the row's problem.
class SilentListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String &) override {}
};

std::mutex xmpToolkit;

void lockXmpToolkit(void *, bool lock)
{
    if (lock)
        xmpToolkit.lock();
    else
        xmpToolkit.unlock();
}

// Once, before the first read on any thread: Exiv2's XMP toolkit is not safe to set up,
// nor to use, from several threads without a lock of its own.
void setUpLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static SilentListener silent;
        TagLib::setDebugListener(&silent);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
    });
}

QString problemText(const char *text)
{
    return QCoreApplication::translate("FileInfoReader", text);
}

void takeStamps(const struct stat &status, FileInfo &info)
{
    info.device = status.st_dev;
    info.inode = status.st_ino;
    info.size = status.st_size;
    info.modifiedNanoseconds = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

QByteArray headOf(int descriptor)
{
    QByteArray head(MediaKindHeadSize, Qt::Uninitialized);
    ssize_t got;
    do {
        got = ::pread(descriptor, head.data(), size_t(head.size()), 0);
    } while (got < 0 && errno == EINTR);
    head.resize(got < 0 ? 0 : qsizetype(got));
    return head;
}

DetailsRead readDetails(int descriptor, qint64 size, const QByteArray &path, FileInfo &info)
{
    const MediaKind kind = mediaKindOf(headOf(descriptor), path);
    switch (kind) {
    case MediaKind::other:
        return DetailsRead::notThisKind;
    case MediaKind::jpeg:
    case MediaKind::image:
        return ImageDetails::read(descriptor, size, kind, info);
    default:
        return AudioTags::read(descriptor, size, kind, info);
    }
}

} // namespace

FileInfo FileInfoReader::read(const QByteArray &path, Depth depth)
{
    FileInfo info;
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        info.problem =
            problemText(QT_TRANSLATE_NOOP("FileInfoReader", "This file could not be opened."));
        return info;
    }
    takeStamps(status, info);
    if (!S_ISREG(status.st_mode)) {
        info.problem =
            problemText(QT_TRANSLATE_NOOP("FileInfoReader", "This is not a regular file."));
        return info;
    }

    // Opened without following a link and without waiting: should the path have become a
    // FIFO or a device since, the open returns at once and the check below turns it away.
    const Descriptor file(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0) {
        info.problem =
            errno == ELOOP
                ? problemText(QT_TRANSLATE_NOOP("FileInfoReader", "This is not a regular file."))
                : problemText(
                      QT_TRANSLATE_NOOP("FileInfoReader", "This file could not be opened."));
        return info;
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        info.problem =
            problemText(QT_TRANSLATE_NOOP("FileInfoReader", "This is not a regular file."));
        return info;
    }
    takeStamps(status, info);
    if (depth == Depth::stamps)
        return info;

    setUpLibraries();
    DetailsRead outcome = DetailsRead::damaged;
    FileInfo details = info;
    try {
        outcome = readDetails(file.get(), info.size, path, details);
    } catch (...) {
        // Whatever a library throws at a damaged file (its own errors, std::bad_alloc for
        // a size it believed) ends here.
        outcome = DetailsRead::damaged;
    }
    if (outcome == DetailsRead::damaged) {
        info.problem = problemText(QT_TRANSLATE_NOOP("FileInfoReader", "This file is damaged."));
        return info;
    }
    return details;
}
