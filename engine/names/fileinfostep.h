#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "fileinfo/fileinforeader.h"
#include "names/optionaltext.h"
#include "names/renameoperationwrapper.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

// What a file-info step puts into one file's name: the value of its field as the file gave
// it, written so that it can stand in a file name. A file that lacks the value gives a
// problem instead, never an empty piece: its row is not renamed. One object formats on one
// thread at a time (ICU's date formats keep state while they format).
class FileInfoStep {
public:
    explicit FileInfoStep(const RenameOperationWrapper &operation);
    ~FileInfoStep();
    FileInfoStep(const FileInfoStep &) = delete;
    FileInfoStep &operator=(const FileInfoStep &) = delete;

    // The piece for one file, or why there is none.
    struct Value {
        QString text;
        OptionalText problem;
    };
    Value valueOf(const FileInfo &info) const;
    // False when the step inserts a date whose format cannot be used: it then leaves every
    // name as it is, as a regular expression that does not compile does.
    bool works() const;

    // Why the step's date format cannot be used; empty when it can, and for a step that
    // inserts no date.
    static QString formatProblem(const RenameOperationWrapper &operation);
    // How much of a file the step needs read.
    static FileInfoReader::Depth depthFor(const RenameOperationWrapper &operation);
    // Whether any step of the stack reads file info, and how much of a file the stack needs.
    static bool readsFileInfo(const QList<RenameOperationWrapper> &operations);
    static FileInfoReader::Depth depthFor(const QList<RenameOperationWrapper> &operations);
    // The message of a row whose file has not been read yet.
    static QString readingMessage();
    // The message of a file that lacks the field.
    static QString missingMessage(FileInfoField field);

    // `name` with `piece` put where the step says, into `out`.
    static void place(const QString &name, QStringView piece, const RenameOperationWrapper &step,
                      QString &out);

private:
    std::optional<QString> fieldText(const FileInfo &info, FileInfoField field) const;
    QString date(icu::SimpleDateFormat &format, qint64 milliseconds, bool utc) const;

    RenameOperationWrapper m_operation;
    std::unique_ptr<icu::SimpleDateFormat> m_takenFormat;    // in UTC: a wall clock
    std::unique_ptr<icu::SimpleDateFormat> m_modifiedFormat; // in the local time zone
    bool m_works = true;
    // A pattern that shows nothing finer than the day gives one text a day: each day is
    // formatted once (ICU takes microseconds a date), keyed by the day and the clock.
    bool m_daysOnly = false;
    mutable QHash<qint64, QString> m_days;
    OptionalText m_missing; // one text shared by every row that lacks the field
};
