#include "disk/movejournal.h"

#include "disk/privatefolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

const QByteArray headerStart = QByteArrayLiteral("brisklet move journal 1 ");

// The digits of `value` at `out`; returns the end.
char *writeNumber(char *out, quint64 value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

// The text of an identity at `out`, which has room for 64 bytes; returns the end.
char *writeIdentity(char *out, const std::optional<ItemIdentity> &identity)
{
    if (!identity) {
        *out = '-';
        return out + 1;
    }
    out = writeNumber(out, identity->device);
    *out++ = ':';
    out = writeNumber(out, identity->inode);
    *out++ = ':';
    return writeNumber(out, identity->type);
}

char *writeField(char *out, QByteArrayView field)
{
    if (!field.isEmpty())
        std::memcpy(out, field.data(), static_cast<size_t>(field.size()));
    out += field.size();
    *out = '\0';
    return out + 1;
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

QString sentenceFromErrno(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString notWritten(const QByteArray &folder, int error)
{
    return QCoreApplication::translate(
               "MoveJournal", "Could not write the recovery record in %1: %2 Nothing was renamed.")
        .arg(QFile::decodeName(folder), sentenceFromErrno(error));
}

const QByteArray linkStep = QByteArrayLiteral("@link");
const QByteArray reservationStep = QByteArrayLiteral("@reservation");
const QByteArray stepEnd = QByteArrayLiteral("@end");

std::optional<MoveJournal::OpenStep> stepFrom(const QList<QByteArray> &fields, qsizetype f)
{
    MoveJournal::OpenStep step;
    step.step = fields[f] == linkStep ? MoveSteps::Step::link : MoveSteps::Step::reservation;
    step.from = fields[f + 1];
    step.to = fields[f + 2];
    const QList<QByteArray> parts = fields[f + 3].split(':');
    if (parts.size() != 6 || !step.from.startsWith('/') || !step.to.startsWith('/'))
        return std::nullopt;
    bool ok[6] = {};
    step.identity.device = parts[0].toULongLong(&ok[0]);
    step.identity.inode = parts[1].toULongLong(&ok[1]);
    step.identity.type = parts[2].toUInt(&ok[2]);
    step.size = parts[3].toULongLong(&ok[3]);
    step.modifiedSeconds = parts[4].toLongLong(&ok[4]);
    step.modifiedNanoseconds = parts[5].toLongLong(&ok[5]);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    return step;
}

} // namespace

MoveJournal::~MoveJournal()
{
    end();
}

QByteArray MoveJournal::folder()
{
    return PrivateFolder::stateFolder();
}

QByteArray MoveJournal::header(Kind kind)
{
    return headerStart + (kind == Kind::undo ? "undo\n" : "batch\n");
}

void MoveJournal::appendRecord(QByteArray &bytes, QByteArrayView sourcePath,
                               QByteArrayView temporaryName, QByteArrayView destinationName,
                               const std::optional<ItemIdentity> &identity)
{
    char identityText[64];
    const qsizetype identitySize = writeIdentity(identityText, identity) - identityText;
    const qsizetype at = bytes.size();
    bytes.resize(at + sourcePath.size() + temporaryName.size() + destinationName.size() +
                 identitySize + 4);
    char *out = bytes.data() + at;
    out = writeField(out, sourcePath);
    out = writeField(out, temporaryName);
    out = writeField(out, destinationName);
    writeField(out, QByteArrayView(identityText, identitySize));
}

QByteArray MoveJournal::serialize(Kind kind, const QList<Record> &records)
{
    QByteArray bytes = header(kind);
    qsizetype size = bytes.size();
    for (const Record &record : records)
        size += record.sourcePath.size() + record.temporaryName.size() +
                record.destinationName.size() + 48;
    bytes.reserve(size);
    for (const Record &record : records)
        appendRecord(bytes, record.sourcePath, record.temporaryName, record.destinationName,
                     record.identity);
    return bytes;
}

std::optional<MoveJournal::Contents> MoveJournal::parse(const QByteArray &bytes)
{
    const qsizetype lineEnd = bytes.indexOf('\n');
    if (!bytes.startsWith(headerStart) || lineEnd < 0)
        return std::nullopt;
    Contents contents;
    const QByteArray kind = bytes.mid(headerStart.size(), lineEnd - headerStart.size());
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
        if (fields[f] == stepEnd) {
            contents.openStep.reset();
            continue;
        }
        if (fields[f] == linkStep || fields[f] == reservationStep) {
            contents.openStep = stepFrom(fields, f);
            if (!contents.openStep)
                return std::nullopt;
            continue;
        }
        bool ok = false;
        Record record{fields[f], fields[f + 1], fields[f + 2], identityFrom(fields[f + 3], &ok)};
        if (!ok || !record.sourcePath.startsWith('/') || record.temporaryName.contains('/') ||
            record.destinationName.contains('/'))
            return std::nullopt;
        contents.records.append(std::move(record));
    }
    return contents;
}

bool MoveJournal::begin(const QByteArray &serialized, QString *error)
{
    end();
    const QByteArray where = folder();
    if (const int failure = PrivateFolder::make(where, where)) {
        *error = notWritten(where, failure);
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
        *error = notWritten(where, errno);
        return false;
    }
    ::flock(descriptor, LOCK_EX);
    // The journal must be on the disk before the first move is: its content, and its name
    // in the folder.
    bool written = PrivateFolder::writeAll(descriptor, serialized) && ::fdatasync(descriptor) == 0;
    if (written) {
        const int folderDescriptor = ::open(where.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        written = folderDescriptor >= 0 && ::fsync(folderDescriptor) == 0;
        if (folderDescriptor >= 0)
            ::close(folderDescriptor);
    }
    if (!written) {
        *error = notWritten(where, errno);
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

void MoveJournal::stepStarted(Step step, const QByteArray &from, const QByteArray &to,
                              const struct stat &item)
{
    if (m_descriptor < 0)
        return;
    const QByteArray text = QByteArray::number(quint64(item.st_dev)) + ':' +
                            QByteArray::number(quint64(item.st_ino)) + ':' +
                            QByteArray::number(quint64(item.st_mode & S_IFMT)) + ':' +
                            QByteArray::number(quint64(item.st_size)) + ':' +
                            QByteArray::number(qint64(item.st_mtim.tv_sec)) + ':' +
                            QByteArray::number(qint64(item.st_mtim.tv_nsec));
    QByteArray record;
    record.reserve(from.size() + to.size() + 200);
    appendRecord(record, step == Step::link ? linkStep : reservationStep, from, to, std::nullopt);
    // The identity field is the step's own text, written over the "-" appendRecord() put.
    record.chop(2);
    record.append(text);
    record.append('\0');
    PrivateFolder::writeAll(m_descriptor, record);
}

void MoveJournal::stepEnded()
{
    if (m_descriptor < 0)
        return;
    QByteArray record;
    appendRecord(record, stepEnd, {}, {}, std::nullopt);
    PrivateFolder::writeAll(m_descriptor, record);
}
