#include "movejournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <iterator>

namespace {

const QByteArray header = QByteArrayLiteral("brisklet move journal 1 ");

void appendNumber(QByteArray &out, quint64 value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), value);
    out.append(digits, end.ptr - digits);
}

void appendIdentity(QByteArray &out, const std::optional<ItemIdentity> &identity)
{
    if (!identity) {
        out += '-';
        return;
    }
    appendNumber(out, identity->device);
    out += ':';
    appendNumber(out, identity->inode);
    out += ':';
    appendNumber(out, identity->type);
}

std::optional<ItemIdentity> identityFrom(const QByteArray &text, bool *ok)
{
    *ok = true;
    if (text == "-")
        return std::nullopt;
    const QList<QByteArray> parts = text.split(':');
    bool a = false;
    bool b = false;
    bool c = false;
    ItemIdentity identity;
    if (parts.size() == 3) {
        identity.device = parts[0].toULongLong(&a);
        identity.inode = parts[1].toULongLong(&b);
        identity.type = parts[2].toUInt(&c);
    }
    *ok = a && b && c;
    return identity;
}

bool writeAll(int descriptor, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(descriptor, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += n;
    }
    return true;
}

bool makeFolders(const QByteArray &path)
{
    return QDir().mkpath(QString::fromLocal8Bit(path));
}

} // namespace

MoveJournal::~MoveJournal()
{
    end();
}

QByteArray MoveJournal::folder()
{
    QByteArray base = qgetenv("XDG_STATE_HOME");
    // The variable counts only when it holds an absolute path.
    if (!base.startsWith('/'))
        base = QDir::homePath().toLocal8Bit() + "/.local/state";
    return base + "/brisklet";
}

QByteArray MoveJournal::serialize(Kind kind, const QList<Record> &records)
{
    QByteArray bytes = header + (kind == Kind::undo ? "undo\n" : "batch\n");
    qsizetype size = bytes.size();
    for (const Record &record : records)
        size += record.sourcePath.size() + record.temporaryName.size() +
                record.destinationName.size() + 48;
    bytes.reserve(size);
    for (const Record &record : records) {
        bytes += record.sourcePath;
        bytes += '\0';
        bytes += record.temporaryName;
        bytes += '\0';
        bytes += record.destinationName;
        bytes += '\0';
        appendIdentity(bytes, record.identity);
        bytes += '\0';
    }
    return bytes;
}

std::optional<MoveJournal::Contents> MoveJournal::parse(const QByteArray &bytes)
{
    const qsizetype lineEnd = bytes.indexOf('\n');
    if (!bytes.startsWith(header) || lineEnd < 0)
        return std::nullopt;
    Contents contents;
    const QByteArray kind = bytes.mid(header.size(), lineEnd - header.size());
    if (kind == "undo")
        contents.kind = Kind::undo;
    else if (kind != "batch")
        return std::nullopt;

    QList<QByteArray> fields;
    qsizetype start = lineEnd + 1;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\0', start);
        if (end < 0)
            return std::nullopt; // cut short: a journal is written whole or not trusted
        fields.append(bytes.mid(start, end - start));
        start = end + 1;
    }
    if (fields.size() % 4 != 0)
        return std::nullopt;
    for (qsizetype f = 0; f < fields.size(); f += 4) {
        bool ok = false;
        Record record{fields[f], fields[f + 1], fields[f + 2], identityFrom(fields[f + 3], &ok)};
        if (!ok || !record.sourcePath.startsWith('/') || record.temporaryName.contains('/') ||
            record.destinationName.contains('/'))
            return std::nullopt;
        contents.records.append(std::move(record));
    }
    return contents;
}

bool MoveJournal::begin(Kind kind, const QList<Record> &records, QString *error)
{
    end();
    const QByteArray where = folder();
    if (!makeFolders(where)) {
        *error = QCoreApplication::translate("MoveJournal", "The folder “%1” cannot be created.")
                     .arg(QString::fromLocal8Bit(where));
        return false;
    }
    int descriptor = -1;
    QByteArray path;
    for (int tries = 0; tries < 8 && descriptor < 0; ++tries) {
        path = where + "/moves-" +
               QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".journal";
        descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::flock(descriptor, LOCK_EX);
    // The journal must be on the disk before the first move is: its content, and its name
    // in the folder.
    bool written = writeAll(descriptor, serialize(kind, records)) && ::fdatasync(descriptor) == 0;
    if (written) {
        const int folderDescriptor = ::open(where.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        written = folderDescriptor >= 0 && ::fsync(folderDescriptor) == 0;
        if (folderDescriptor >= 0)
            ::close(folderDescriptor);
    }
    if (!written) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(path.constData());
        ::close(descriptor);
        return false;
    }
    m_path = path;
    m_descriptor = descriptor;
    return true;
}

void MoveJournal::end()
{
    if (m_descriptor < 0)
        return;
    ::unlink(m_path.constData());
    ::close(m_descriptor);
    m_descriptor = -1;
    m_path.clear();
}
