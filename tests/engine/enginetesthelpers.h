#pragma once

#include "stepbuilders.h"

#include "disk/filemover.h"
#include "disk/posixfilemover.h"
#include "files/fileitem.h"
#include "memorypreferencesstore.h"
#include "renameengine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <functional>
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

// One letter per file, so that a list reads as "SSEC" in a failure message.
inline QString statusLetters(const QList<FileItem> &files)
{
    QString letters;
    for (const FileItem &file : files)
        letters += u"PCES"[int(file.status)]; // in the order of RenameStatus
    return letters;
}

// Refuses to replace an existing entry, like everything else here.
inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
           file.write(content) == content.size();
}

// Each entry, hidden ones too, as "name=content" sorted: proof that no file was replaced or lost.
inline QStringList entries(const QString &folder)
{
    QStringList result;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString &name : QDir(folder).entryList(filter, QDir::Name)) {
        QFile file(folder + u'/' + name);
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
        result.append(name + u'=' + QString::fromUtf8(content));
    }
    result.sort();
    return result;
}

class TestFolder {
public:
    QString path(const QString &name) const { return m_dir.path() + u'/' + name; }
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(path(name)); }
    QStringList entries() const { return EngineTest::entries(m_dir.path()); }

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
        if (!QRegularExpression::fromWildcard(patterns[i]).match(actual[i]).hasMatch())
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

// A stack renaming each `from` name to the `to` name at its place and nothing else; through
// placeholders, so that no pair matches another's result (as a swap needs).
inline void setRenames(RenameEngine &engine, const QStringList &from, const QStringList &to)
{
    QList<RenameOperationWrapper> toPlaceholder;
    QList<RenameOperationWrapper> fromPlaceholder;
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (from[i] == to[i])
            continue;
        const QString placeholder = QStringLiteral("@@%1@@").arg(i);
        QString literal = to[i];
        literal.replace(u'\\', QStringLiteral("\\\\")).replace(u'$', QStringLiteral("\\$"));
        toPlaceholder.append(regexStep(u"^\\Q"_qs + from[i] + u"\\E$"_qs, placeholder));
        fromPlaceholder.append(regexStep(u'^' + placeholder + u'$', literal));
    }
    setStack(engine, toPlaceholder + fromPlaceholder);
}

// Runs `run` and returns what it wrote to stdout or stderr, at the file-descriptor level.
inline QString captured(FILE *stream, const std::function<void()> &run)
{
    std::fflush(stream);
    FILE *file = std::tmpfile();
    const int saved = ::dup(::fileno(stream));
    ::dup2(::fileno(file), ::fileno(stream));
    run();
    std::fflush(stream);
    ::dup2(saved, ::fileno(stream));
    ::close(saved);
    std::rewind(file);
    QFile text;
    const QByteArray bytes = text.open(file, QIODevice::ReadOnly) ? text.readAll() : "?";
    text.close();
    std::fclose(file);
    return QString::fromLocal8Bit(bytes);
}

} // namespace EngineTest
