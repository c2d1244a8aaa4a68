#include "undofilewriter.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "disk/privatefolder.h"
#include "undofile.h"

#include <QDateTime>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

UndoFileWriter::~UndoFileWriter()
{
    close();
}

bool UndoFileWriter::create(const std::optional<QByteArray> &requestedPath,
                            const QByteArray &workingDirectory, QString *error)
{
    if (requestedPath) {
        m_path = requestedPath->startsWith('/') ? *requestedPath
                                                : workingDirectory + '/' + *requestedPath;
    } else {
        const QByteArray folder = UndoFile::defaultFolder();
        if (const int failure = PrivateFolder::make(folder, PrivateFolder::stateFolder())) {
            *error = QStringLiteral("cannot create the folder “%1”: %2; nothing was renamed")
                         .arg(CliOutput::escaped(folder), CliOutput::systemReason(failure));
            return false;
        }
        m_path = folder + '/' +
                 QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz").toLatin1() + '-' +
                 QByteArray::number(::getpid()) + ".json";
    }
    // Only its owner may read which files were renamed, whatever the umask.
    m_descriptor = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_descriptor < 0) {
        *error = QStringLiteral("cannot create the undo file “%1”: %2; nothing was renamed")
                     .arg(CliOutput::escaped(m_path), CliOutput::systemReason(errno));
        return false;
    }
    return true;
}

UndoOperation UndoFileWriter::realRenames(const UndoOperation &operation)
{
    // A rename stays within its folder: the same name is the same place.
    const auto unchanged = [](const UndoOperation::Entry &entry) {
        return QByteArrayView(entry.path).sliced(LocalPath::nameStart(entry.path)) ==
               entry.originalName;
    };
    if (std::none_of(operation.entries.cbegin(), operation.entries.cend(), unchanged))
        return operation;
    UndoOperation renames;
    renames.timestamp = operation.timestamp;
    renames.entries.reserve(operation.entries.size());
    std::copy_if(operation.entries.cbegin(), operation.entries.cend(),
                 std::back_inserter(renames.entries),
                 [&unchanged](const UndoOperation::Entry &entry) { return !unchanged(entry); });
    return renames;
}

bool UndoFileWriter::writePlan(const UndoOperation &allMoves)
{
    const UndoOperation plan = realRenames(allMoves);
    const QByteArray bytes = UndoFile::serialize(plan, UndoFile::Stage::planned);
    if (!PrivateFolder::writeAll(m_descriptor, bytes)) {
        m_writeError = QString::fromLocal8Bit(std::strerror(errno)) + u'.';
        return false;
    }
    m_flagOffset = UndoFile::flagOffset(bytes);
    m_planned = plan;
    return true;
}

QString UndoFileWriter::planFailure() const
{
    if (m_writeError.isEmpty())
        return {};
    return QStringLiteral("Could not write the undo file “%1”: %2 Nothing was renamed.")
        .arg(CliOutput::escaped(m_path), m_writeError);
}

void UndoFileWriter::finish(const UndoOperation &done)
{
    complete(done);
    close();
}

void UndoFileWriter::complete(const UndoOperation &allMoves)
{
    const UndoOperation done = realRenames(allMoves);
    const auto same = [](const UndoOperation::Entry &a, const UndoOperation::Entry &b) {
        return a.path == b.path && a.originalName == b.originalName && a.identity == b.identity;
    };
    // Mostly every move went as planned: then the plan only has to say so.
    if (m_flagOffset >= 0 && std::equal(m_planned.entries.cbegin(), m_planned.entries.cend(),
                                        done.entries.cbegin(), done.entries.cend(), same)) {
        const QByteArray flag = UndoFile::finishedFlag();
        if (::pwrite(m_descriptor, flag.constData(), size_t(flag.size()), m_flagOffset) ==
            flag.size())
            return;
    } else {
        // Written beside the plan and then put in its place, so that a full disk leaves
        // the plan as it is rather than half of each.
        const QByteArray part = m_path + ".part";
        const int partFile =
            ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        const bool written = partFile >= 0 &&
                             PrivateFolder::writeAll(partFile, UndoFile::serialize(done)) &&
                             ::fsync(partFile) == 0;
        if (partFile >= 0)
            ::close(partFile);
        if (written && ::rename(part.constData(), m_path.constData()) == 0)
            return;
        ::unlink(part.constData());
    }
    // The plan is still there, and reverting it takes back exactly what moved.
    std::fprintf(stderr,
                 "brisklet-cli: the undo file “%s” could not be completed and holds the batch's "
                 "plan; --revert with it takes back what was renamed\n",
                 CliOutput::escaped(m_path).toUtf8().constData());
}

void UndoFileWriter::discard()
{
    close();
    ::unlink(m_path.constData());
}

void UndoFileWriter::close()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}
