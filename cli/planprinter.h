#pragma once

#include "files/fileitem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Writes a plan or its outcome for people (an aligned table, coloured on a terminal) or
// for scripts (JSON Lines: one object per file, then one summary object).
class PlanPrinter {
public:
    enum class Format { table, jsonLines };
    enum class Colour { off, on };
    enum class Rows { all, problemsOnly };

    struct Summary {
        qsizetype files = 0;
        qsizetype toRename = 0;
        qsizetype unchanged = 0;
        qsizetype conflicts = 0;
        qsizetype errors = 0;
        bool applied = false;
        // An --apply that renamed nothing, for the problems the plan has.
        bool refused = false;
        qsizetype renamed = 0;
        qsizetype failed = 0;
        QString undoFile;

        static Summary of(const QList<FileItem> &files);
    };

    // Where each row's file was and what it was called before a batch moved it.
    struct Before {
        QList<QByteArray> paths;
        QStringList names;

        static Before of(const QList<FileItem> &files);
    };

    PlanPrinter(Format format, Colour colour) : m_format(format), m_colour(colour) {}

    // After a batch, `before` (of the same rows) makes the JSON rows say where each file was
    // and what it was called, beside where it is and what it is called now.
    QByteArray rows(const QList<FileItem> &files, Rows which, const Before *before = nullptr) const;
    // The same, handed to `write` a part at a time as it is made, so that a plan of a
    // million rows is never held whole.
    using Sink = std::function<void(const QByteArray &part)>;
    void writeRows(const QList<FileItem> &files, Rows which, const Sink &write,
                   const Before *before = nullptr) const;
    QByteArray summary(const Summary &summary) const;

    // A name with its control characters spelled out, so that no name can break a row or
    // send commands to the terminal.
    static QString printable(const QString &name);

private:
    void tableRows(const QList<FileItem> &files, Rows which, const Sink &write) const;
    void jsonRows(const QList<FileItem> &files, Rows which, const Sink &write,
                  const Before *before) const;
    QByteArray painted(const QByteArray &text, const char *code) const;
    // The new name, as printed, with the part that differs from the printed current name
    // in bold cyan.
    QByteArray highlighted(const QString &name, const QString &newName) const;

    static constexpr const char *changedColour = "1;36";

    Format m_format;
    Colour m_colour;
};
