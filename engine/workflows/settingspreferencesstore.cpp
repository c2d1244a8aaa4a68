#include "workflows/settingspreferencesstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// About how many bytes the key and value take in the file, never fewer: printable ASCII
// stands for itself (quotes and backslashes escaped), every other byte as "\xNN".
qint64 writtenSize(const QString &key, const QVariant &value)
{
    const QByteArray bytes =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    qint64 size = 4 * key.toUtf8().size() + 64;
    for (const char c : bytes) {
        if (c == '"' || c == '\\')
            size += 2;
        else
            size += c >= 0x20 && c < 0x7f ? 1 : 4;
    }
    return size;
}

} // namespace

SettingsPreferencesStore::SettingsPreferencesStore()
    : SettingsPreferencesStore([] {
          return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Brisklet"),
                                             QStringLiteral("Brisklet"));
      })
{
}

SettingsPreferencesStore::SettingsPreferencesStore(const QString &fileName)
    : SettingsPreferencesStore(
          [fileName] { return std::make_unique<QSettings>(fileName, QSettings::NativeFormat); })
{
}

SettingsPreferencesStore::SettingsPreferencesStore(std::function<std::unique_ptr<QSettings>()> open)
    : m_open(std::move(open)), m_settings(m_open()), m_fileName(m_settings->fileName())
{
}

SettingsPreferencesStore::~SettingsPreferencesStore() = default;

std::optional<QVariant> SettingsPreferencesStore::readValue(const QString &key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    return m_settings->value(key);
}

std::optional<QString> SettingsPreferencesStore::storeValue(const QString &key,
                                                            const QVariant &value)
{
    // The settings writer replaces the file with one it could not write in full when the
    // disk fills up, and calls that a success. Room for the whole file is checked first, so
    // that a full disk leaves the file as it was; the check after writing covers the rest.
    const qint64 bytesNeeded = QFileInfo(m_fileName).size() + writtenSize(key, value);
    if (std::optional<QString> problem = writeProblem(bytesNeeded))
        return problem;
    // A settings object keeps its first error for good, so a write after a failed one gets
    // a fresh object to report on. Values not yet on disk stay with the file's shared state
    // and go out with the first write that succeeds.
    if (m_settings->status() != QSettings::NoError)
        m_settings = m_open();
    m_settings->setValue(key, value);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return checkOnDisk(key, value);
    return writeProblem(bytesNeeded)
        .value_or(QCoreApplication::translate("SettingsPreferencesStore",
                                              "The settings file “%1” could not be written.")
                      .arg(QDir::toNativeSeparators(m_fileName)));
}

std::optional<QString> SettingsPreferencesStore::checkOnDisk(const QString &key,
                                                             const QVariant &value) const
{
    // The settings writer can report success for a file it could not write in full (the
    // disk filled up while writing), and every settings object of this process answers from
    // a shared cache, not from the disk. So the file is read back from a copy that no
    // settings object has seen.
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QCoreApplication::translate(
                   "SettingsPreferencesStore",
                   "The settings file “%1” could not be read back after writing: %2.")
            .arg(QDir::toNativeSeparators(m_fileName), file.errorString());
    const QByteArray written = file.readAll();
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/brisklet-settings-check-XXXXXX"));
    if (!copy.open() || copy.write(written) != written.size() || !copy.flush())
        return QCoreApplication::translate(
                   "SettingsPreferencesStore",
                   "The settings file “%1” could not be checked after writing: %2.")
            .arg(QDir::toNativeSeparators(m_fileName), copy.errorString());
    const QSettings onDisk(copy.fileName(), QSettings::NativeFormat);
    if (onDisk.status() == QSettings::NoError && onDisk.value(key) == value)
        return std::nullopt;
    return writeProblem(written.size() + writtenSize(key, value))
        .value_or(QCoreApplication::translate("SettingsPreferencesStore",
                                              "The settings file “%1” was not written in full.")
                      .arg(QDir::toNativeSeparators(m_fileName)));
}

std::optional<QString> SettingsPreferencesStore::writeProblem(qint64 bytesNeeded) const
{
    const QString file = QDir::toNativeSeparators(m_fileName);
    const QString folder = QFileInfo(m_fileName).absolutePath();
    QString existing = folder;
    while (!QFileInfo::exists(existing) && !QDir(existing).isRoot())
        existing = QFileInfo(existing).absolutePath();
    if (!QFileInfo(existing).isDir()) {
        return QCoreApplication::translate(
                   "SettingsPreferencesStore",
                   "“%1” is a file, not a folder, so the settings file “%2” cannot "
                   "be written there.")
            .arg(QDir::toNativeSeparators(existing), file);
    }
    // Trying what the writer needs gives the system's own reason: a read-only file system,
    // a missing permission, a full disk.
    QTemporaryFile probe(existing + QStringLiteral("/.brisklet-write-check-XXXXXX"));
    if (!probe.open())
        return QCoreApplication::translate("SettingsPreferencesStore",
                                           "The settings file “%1” could not be written: %2.")
            .arg(file, probe.errorString());
    // Written straight to the descriptor: a short write is followed by the one that says why.
    const QByteArray filler(qMax<qint64>(bytesNeeded, 1), '\n');
    qint64 done = 0;
    while (done < filler.size()) {
        const ssize_t written = ::write(probe.handle(), filler.constData() + done,
                                        static_cast<size_t>(filler.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return QCoreApplication::translate("SettingsPreferencesStore",
                                               "The settings file “%1” could not be written: %2.")
                .arg(file, written < 0
                               ? QString::fromLocal8Bit(std::strerror(errno))
                               : QCoreApplication::translate("SettingsPreferencesStore",
                                                             "nothing more could be written"));
        done += written;
    }
    return std::nullopt;
}
