#pragma once

#include "stepbuilders.h"

#include "fileitem.h"
#include "filemover.h"
#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"
#include "renameoperationwrapper.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <utility>

#include <unistd.h>

namespace EngineTest {

inline std::unique_ptr<RenameEngine>
makeEngine(std::unique_ptr<FileMover> mover = std::make_unique<PosixFileMover>())
{
    return std::make_unique<RenameEngine>(std::make_unique<MemoryPreferencesStore>(),
                                          std::move(mover), nullptr);
}

inline QString statusName(RenameStatus status)
{
    switch (status) {
    case RenameStatus::pending:
        return QStringLiteral("pending");
    case RenameStatus::conflict:
        return QStringLiteral("conflict");
    case RenameStatus::error:
        return QStringLiteral("error");
    case RenameStatus::success:
        return QStringLiteral("success");
    }
    return {};
}

// One letter per file, so that a whole list reads as "SSEC" in a failure message.
inline QString statusLetters(const QList<FileItem> &files)
{
    QString letters;
    for (const FileItem &file : files)
        letters += statusName(file.status).at(0).toUpper();
    return letters;
}

// A scratch folder whose every entry, hidden ones included, can be listed with its
// contents: that is how a test proves that no file was replaced or lost.
class TestFolder {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.path() + u'/' + name; }
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(path(name)); }

    // Refuses to replace an existing entry, like everything else here.
    bool write(const QString &name, const QByteArray &content) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
               file.write(content) == content.size();
    }

    // Each entry as "name=content", sorted by name.
    QStringList entries() const
    {
        QStringList result;
        const QStringList names =
            QDir(m_dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name);
        for (const QString &name : names) {
            QFile file(path(name));
            const QByteArray content =
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?");
            result.append(name + u'=' + QString::fromUtf8(content));
        }
        result.sort();
        return result;
    }

private:
    QTemporaryDir m_dir;
};

// Whether each entry matches the wildcard pattern at the same place; both lists sorted.
inline bool entriesMatch(QStringList actual, QStringList patterns)
{
    actual.sort();
    patterns.sort();
    if (actual.size() != patterns.size())
        return false;
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const QRegularExpression pattern =
            QRegularExpression::fromWildcard(patterns[i], Qt::CaseSensitive);
        if (!pattern.match(actual[i]).hasMatch())
            return false;
    }
    return true;
}

// Replaces the engine's stack and runs the preview, as the editor does after an edit.
inline void setStack(RenameEngine &engine, const QList<RenameOperationWrapper> &steps)
{
    while (!engine.operations().isEmpty())
        engine.removeOperation(0);
    for (const RenameOperationWrapper &step : steps) {
        engine.addOperation();
        engine.setOperation(engine.operations().size() - 1, step);
    }
    engine.updatePreview();
}

// A stack that gives each listed name the new name paired with it and leaves every other
// name alone. Every name first becomes a placeholder so that one pair's result is never
// matched by a later pair (which is what a swap needs).
inline void setRenames(RenameEngine &engine, const QList<std::pair<QString, QString>> &renames)
{
    QList<RenameOperationWrapper> toPlaceholder;
    QList<RenameOperationWrapper> fromPlaceholder;
    for (qsizetype i = 0; i < renames.size(); ++i) {
        const auto &[from, to] = renames[i];
        if (from == to)
            continue;
        const QString placeholder = QStringLiteral("@@%1@@").arg(i);
        QString literal = to;
        literal.replace(u'\\', QStringLiteral("\\\\")).replace(u'$', QStringLiteral("\\$"));
        toPlaceholder.append(
            regexStep(QStringLiteral("^\\Q") + from + QStringLiteral("\\E$"), placeholder));
        fromPlaceholder.append(regexStep(u'^' + placeholder + u'$', literal));
    }
    setStack(engine, toPlaceholder + fromPlaceholder);
}

// Collects what is written to stdout or stderr, at the file-descriptor level, for as
// long as the object lives or until finish().
class StreamCapture {
public:
    explicit StreamCapture(FILE *stream) : m_stream(stream)
    {
        std::fflush(m_stream);
        m_file = std::tmpfile();
        if (!m_file)
            return;
        m_saved = ::dup(::fileno(m_stream));
        ::dup2(::fileno(m_file), ::fileno(m_stream));
    }
    ~StreamCapture() { finish(); }
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

    QByteArray finish()
    {
        if (!m_file)
            return m_text;
        std::fflush(m_stream);
        ::dup2(m_saved, ::fileno(m_stream));
        ::close(m_saved);
        std::rewind(m_file);
        char buffer[4096];
        size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            m_text.append(buffer, static_cast<qsizetype>(count));
        std::fclose(m_file);
        m_file = nullptr;
        return m_text;
    }

private:
    FILE *m_stream;
    FILE *m_file = nullptr;
    int m_saved = -1;
    QByteArray m_text;
};

} // namespace EngineTest
