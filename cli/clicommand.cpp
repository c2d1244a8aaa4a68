#include "clicommand.h"

#include "disk/localpath.h"
#include "disk/posixfilemover.h"
#include "disk/privatefolder.h"
#include "emptypreferencesstore.h"
#include "inputfiles.h"
#include "planprinter.h"
#include "progressreporter.h"
#include "renameengine.h"
#include "stackfile.h"
#include "undofile.h"
#include "workflows/systemworkflow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::optional<SystemWorkflow> systemWorkflowNamed(const QString &name)
{
    static const QHash<QString, SystemWorkflow> names{
        {QStringLiteral("photo-organization"), SystemWorkflow::photoOrganization},
        {QStringLiteral("web-safe-names"), SystemWorkflow::webSafeNames},
        {QStringLiteral("document-cleanup"), SystemWorkflow::documentCleanup},
        {QStringLiteral("clean-and-number"), SystemWorkflow::cleanAndNumber}};
    const auto it = names.constFind(name);
    return it == names.cend() ? std::nullopt : std::optional(*it);
}

// The system's reason for `error`, as the other messages word it: in lower case.
QString systemReason(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// Where each item of an undo entry is after a revert: under its name before, in its folder
// as it was before, since a renamed folder is taken back too.
class PlacesBefore {
public:
    explicit PlacesBefore(const UndoOperation &operation)
    {
        for (const UndoOperation::Entry &entry : operation.entries)
            m_nameBefore.insert(entry.path, entry.originalName);
    }

    QByteArray operator()(const QByteArray &path)
    {
        if (path.isEmpty() || path == "/")
            return path;
        if (const auto known = m_restored.constFind(path); known != m_restored.cend())
            return *known;
        const QByteArray name = m_nameBefore.value(path, LocalPath::nameOf(path));
        const QByteArray folder = (*this)(LocalPath::folderOf(path));
        QByteArray result =
            folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
        m_restored.insert(path, result);
        return result;
    }

private:
    QHash<QByteArray, QByteArray> m_nameBefore;
    QHash<QByteArray, QByteArray> m_restored;
};

// The first step that would leave every name as it is for a reason the user can mend: a
// regular expression that does not compile, or a template naming a group it does not have.
// Empty when there is none.
QString brokenStep(const RenameEngine &engine)
{
    for (qsizetype i = 0; i < engine.operations().size(); ++i) {
        QString problem = engine.patternProblem(i);
        if (problem.isEmpty())
            problem = engine.replacementProblem(i);
        if (!problem.isEmpty())
            return QStringLiteral("step %1 (%2): %3; nothing was renamed")
                .arg(i + 1)
                .arg(rawValue(engine.operations().at(i).mode), problem);
    }
    return {};
}

PlanPrinter printerFor(const CliOptions &options)
{
    return PlanPrinter(options.json ? PlanPrinter::Format::jsonLines : PlanPrinter::Format::table,
                       ::isatty(STDOUT_FILENO) == 1 ? PlanPrinter::Colour::on
                                                    : PlanPrinter::Colour::off);
}

} // namespace

CliCommand::CliCommand(CliOptions options, QByteArray workingDirectory)
    : m_options(std::move(options)), m_workingDirectory(std::move(workingDirectory))
{
}

CliCommand::~CliCommand() = default;

ExitStatus CliCommand::run()
{
    switch (m_options.command) {
    case CliOptions::Command::help:
        write(CliOptions::usage().toUtf8());
        return ExitStatus::success;
    case CliOptions::Command::version:
        write("brisklet-cli " + QCoreApplication::applicationVersion().toUtf8() + '\n');
        return ExitStatus::success;
    case CliOptions::Command::rename:
        break;
    case CliOptions::Command::revert:
        m_engine = std::make_unique<RenameEngine>();
        return revert();
    case CliOptions::Command::exportWorkflow:
        m_engine = std::make_unique<RenameEngine>();
        return exportWorkflow();
    case CliOptions::Command::listWorkflows:
        m_engine = std::make_unique<RenameEngine>();
        return listWorkflows();
    }
    // A stack given in full needs nothing from the application's settings.
    if (m_options.stackSource == CliOptions::StackSource::stackFile ||
        m_options.stackSource == CliOptions::StackSource::systemWorkflow)
        m_engine = std::make_unique<RenameEngine>(std::make_unique<EmptyPreferencesStore>(),
                                                  std::make_unique<PosixFileMover>());
    else
        m_engine = std::make_unique<RenameEngine>();
    // The plan is shown once: the disk is checked here, before it is printed.
    m_engine->setDiskChecking(RenameEngine::DiskChecking::onRequest);
    return rename();
}

ExitStatus CliCommand::rename()
{
    QString error;
    if (!loadStack(&error))
        return fail(ExitStatus::badUsage, error);
    if (const QString broken = brokenStep(*m_engine); !broken.isEmpty())
        return fail(ExitStatus::badUsage, broken);
    QList<QByteArray> arguments = m_options.files;
    if (m_options.nullSeparatedInput) {
        const std::optional<QByteArray> input = readInput("-", &error);
        if (!input)
            return fail(ExitStatus::badUsage, error);
        arguments = InputFiles::splitNullSeparated(*input);
    }
    // Recovery first: it may move listed files back from where a crash left them.
    if (m_options.apply)
        recoverInterruptedBatches();
    const std::optional<QList<QByteArray>> paths =
        InputFiles::fromArguments(arguments, m_workingDirectory, &error);
    if (!paths)
        return fail(ExitStatus::badUsage, error);
    m_engine->addLocalFiles(*paths);
    if (const QString unusable = InputFiles::unusableFile(m_engine->files()); !unusable.isEmpty())
        return fail(ExitStatus::badUsage, unusable);
    // A name taken on disk, or a folder that cannot be written, is a problem of the plan.
    m_engine->checkOnDisk();

    const PlanPrinter printer = printerFor(m_options);
    PlanPrinter::Summary summary = PlanPrinter::Summary::of(m_engine->files());
    const qsizetype problems = summary.conflicts + summary.errors;
    if (!m_options.apply) {
        write(printer.rows(m_engine->files(), PlanPrinter::Rows::all));
        write(printer.summary(summary));
        return problems > 0 ? ExitStatus::problemsFound : ExitStatus::success;
    }
    if (problems > 0 && !m_options.skipProblems) {
        write(printer.rows(m_engine->files(), PlanPrinter::Rows::problemsOnly));
        write(printer.summary(summary));
        return fail(ExitStatus::problemsFound,
                    QStringLiteral("%1 files have problems; nothing was renamed (--skip-problems "
                                   "renames the others)")
                        .arg(problems));
    }
    if (const QString folder = unwritableFolder(); !folder.isEmpty())
        return fail(ExitStatus::badUsage,
                    QStringLiteral("cannot rename in “%1”: %2; nothing was renamed")
                        .arg(folder, QStringLiteral("permission denied")));

    // The undo file holds the batch's plan before anything moves: a batch never runs
    // without one, and a killed one can still be taken back.
    QByteArray undoPath;
    if (m_options.undoFilePath) {
        undoPath = m_options.undoFilePath->startsWith('/')
                       ? *m_options.undoFilePath
                       : m_workingDirectory + '/' + *m_options.undoFilePath;
    } else {
        const QByteArray folder = UndoFile::defaultFolder();
        if (const int failure = PrivateFolder::make(folder, PrivateFolder::stateFolder()))
            return fail(ExitStatus::badUsage,
                        QStringLiteral("cannot create the folder “%1”: %2; nothing was renamed")
                            .arg(LocalPath::display(folder), systemReason(failure)));
        undoPath = folder + '/' +
                   QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz").toLatin1() + '-' +
                   QByteArray::number(::getpid()) + ".json";
    }
    // Only its owner may read which files were renamed, whatever the umask.
    const int undoFile =
        ::open(undoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (undoFile < 0)
        return fail(ExitStatus::badUsage,
                    QStringLiteral("cannot create the undo file “%1”: %2; nothing was renamed")
                        .arg(LocalPath::display(undoPath), systemReason(errno)));

    QString undoError;
    UndoOperation planned;
    qsizetype flagOffset = -1;
    const auto writePlan = [&](const UndoOperation &plan) {
        const QByteArray bytes = UndoFile::serialize(plan, UndoFile::Stage::planned);
        if (!PrivateFolder::writeAll(undoFile, bytes)) {
            undoError = QString::fromLocal8Bit(std::strerror(errno)) + u'.';
            return false;
        }
        flagOffset = UndoFile::flagOffset(bytes);
        planned = plan;
        return true;
    };
    const qsizetype undoEntriesBefore = m_engine->undoStack().size();
    ProgressReporter progress(QStringLiteral("Renaming"), stderr);
    const auto [renamed, failed] = m_engine->performRename(
        [&progress](qsizetype done, qsizetype total) { progress.report(done, total); }, writePlan);
    const QString refusal = !undoError.isEmpty()
                                ? QStringLiteral("Could not write the undo file “%1”: %2 Nothing "
                                                 "was renamed.")
                                      .arg(LocalPath::display(undoPath), undoError)
                                : m_engine->batchRefusal();
    if (!refusal.isEmpty()) {
        ::close(undoFile);
        ::unlink(undoPath.constData());
        return fail(ExitStatus::badUsage, refusal);
    }
    const qsizetype moveFailures = failed - (m_options.skipProblems ? problems : 0);

    summary.applied = true;
    summary.renamed = renamed;
    summary.failed = moveFailures;
    if (m_engine->undoStack().size() > undoEntriesBefore) {
        finishUndoFile(undoFile, undoPath, planned, flagOffset, m_engine->undoStack().last());
        ::close(undoFile);
        summary.undoFile = LocalPath::display(undoPath);
    } else {
        ::close(undoFile);
        ::unlink(undoPath.constData());
    }
    // People read what went wrong; scripts get every file's outcome.
    write(printer.rows(m_engine->files(),
                       m_options.json ? PlanPrinter::Rows::all : PlanPrinter::Rows::problemsOnly));
    write(printer.summary(summary));
    if (!summary.undoFile.isEmpty() && !m_options.json)
        write("Undo file: " + undoPath + '\n');
    return moveFailures > 0 ? ExitStatus::movesFailed : ExitStatus::success;
}

void CliCommand::finishUndoFile(int descriptor, const QByteArray &path,
                                const UndoOperation &planned, qsizetype flagOffset,
                                const UndoOperation &done) const
{
    const auto same = [](const UndoOperation::Entry &a, const UndoOperation::Entry &b) {
        return a.path == b.path && a.originalName == b.originalName && a.identity == b.identity;
    };
    // Mostly every move went as planned: then the plan only has to say so.
    if (flagOffset >= 0 && std::equal(planned.entries.cbegin(), planned.entries.cend(),
                                      done.entries.cbegin(), done.entries.cend(), same)) {
        const QByteArray flag = UndoFile::finishedFlag();
        if (::pwrite(descriptor, flag.constData(), size_t(flag.size()), flagOffset) == flag.size())
            return;
    } else {
        // Written beside the plan and then put in its place, so that a full disk leaves
        // the plan as it is rather than half of each.
        const QByteArray part = path + ".part";
        const int partFile =
            ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        const bool written = partFile >= 0 &&
                             PrivateFolder::writeAll(partFile, UndoFile::serialize(done)) &&
                             ::fsync(partFile) == 0;
        if (partFile >= 0)
            ::close(partFile);
        if (written && ::rename(part.constData(), path.constData()) == 0)
            return;
        ::unlink(part.constData());
    }
    // The plan is still there, and reverting it takes back exactly what moved.
    std::fprintf(stderr,
                 "brisklet-cli: the undo file “%s” could not be completed and holds the batch's "
                 "plan; --revert with it takes back what was renamed\n",
                 path.constData());
}

ExitStatus CliCommand::revert()
{
    QString error;
    const std::optional<QByteArray> bytes = readInput(m_options.revertFilePath, &error);
    if (!bytes)
        return fail(ExitStatus::badUsage, error);
    std::optional<UndoFile::Contents> contents = UndoFile::parse(*bytes, &error);
    if (!contents)
        return fail(ExitStatus::badUsage,
                    LocalPath::display(m_options.revertFilePath) % QStringLiteral(": ") % error);
    recoverInterruptedBatches();
    PosixFileMover mover;
    if (contents->cutShort)
        std::fprintf(stderr,
                     "brisklet-cli: %s was cut short; the %lld renames before the cut are "
                     "taken back\n",
                     LocalPath::display(m_options.revertFilePath).toUtf8().constData(),
                     qlonglong(contents->operation.entries.size()));
    if (contents->stage == UndoFile::Stage::planned) {
        const qsizetype plannedCount = contents->operation.entries.size();
        contents->operation = madeRenames(contents->operation, mover);
        std::fprintf(stderr,
                     "brisklet-cli: the batch of this undo file was stopped before its end; %lld "
                     "of the %lld renames it planned had been made\n",
                     qlonglong(contents->operation.entries.size()), qlonglong(plannedCount));
    }
    const UndoOperation &operation = contents->operation;
    ProgressReporter progress(QStringLiteral("Reverting"), stderr);
    m_engine->revertUndoOperation(
        operation, [&progress](qsizetype done, qsizetype total) { progress.report(done, total); });
    if (const QString refusal = m_engine->batchRefusal(); !refusal.isEmpty())
        return fail(ExitStatus::badUsage, refusal);

    PlacesBefore restore(operation);
    qsizetype notReverted = 0;
    for (const UndoOperation::Entry &entry : operation.entries) {
        if (mover.identity(restore(entry.path)) != entry.identity)
            ++notReverted;
    }
    const qsizetype total = operation.entries.size();
    write(
        QStringLiteral("Reverted %1 of %2 renames.").arg(total - notReverted).arg(total).toUtf8() +
        '\n');
    return notReverted > 0 ? ExitStatus::movesFailed : ExitStatus::success;
}

UndoOperation CliCommand::madeRenames(const UndoOperation &planned, FileMover &mover)
{
    // Of a plan, only the renames that were made are taken back: those whose item is at
    // its new name, found by its identity. A folder the batch did not get to rename leaves
    // the items in it at their new names in the folder as it was.
    PlacesBefore restore(planned);
    UndoOperation made;
    made.timestamp = planned.timestamp;
    for (const UndoOperation::Entry &entry : planned.entries) {
        if (mover.identity(entry.path) == entry.identity) {
            made.entries.append(entry);
            continue;
        }
        const QByteArray folder = LocalPath::folderOf(entry.path);
        const QByteArray folderBefore = restore(folder);
        if (folderBefore == folder)
            continue;
        const QByteArray inFolderBefore = folderBefore + '/' + LocalPath::nameOf(entry.path);
        if (mover.identity(inFolderBefore) == entry.identity)
            made.entries.append({inFolderBefore, entry.originalName, entry.identity});
    }
    return made;
}

ExitStatus CliCommand::exportWorkflow()
{
    QString error;
    if (!loadSavedWorkflow(m_options.workflowName, &error))
        return fail(ExitStatus::badUsage, error);
    write(StackFile::serialize(m_engine->operations()));
    return ExitStatus::success;
}

ExitStatus CliCommand::listWorkflows()
{
    for (const QString &name : m_engine->savedWorkflowNames())
        write(name.toUtf8() + '\n');
    return ExitStatus::success;
}

bool CliCommand::loadStack(QString *error)
{
    switch (m_options.stackSource) {
    case CliOptions::StackSource::none:
        break;
    case CliOptions::StackSource::workflow:
        return loadSavedWorkflow(m_options.workflowName, error);
    case CliOptions::StackSource::systemWorkflow:
        if (const std::optional<SystemWorkflow> workflow =
                systemWorkflowNamed(m_options.workflowName)) {
            m_engine->loadSystemWorkflow(*workflow);
            return true;
        }
        *error = QStringLiteral("unknown built-in workflow “%1” (photo-organization, "
                                "web-safe-names, document-cleanup, clean-and-number)")
                     .arg(m_options.workflowName);
        return false;
    case CliOptions::StackSource::stackFile: {
        if (m_options.stackFilePath == "-" && m_options.nullSeparatedInput) {
            *error = QStringLiteral("--stack - and --null cannot both read standard input");
            return false;
        }
        const std::optional<QByteArray> text = readInput(m_options.stackFilePath, error);
        if (!text)
            return false;
        const std::optional<QList<RenameOperationWrapper>> operations =
            StackFile::parse(*text, error);
        if (!operations) {
            *error = LocalPath::display(m_options.stackFilePath) % QStringLiteral(": ") % *error;
            return false;
        }
        for (qsizetype i = 0; i < operations->size(); ++i) {
            if (i > 0)
                m_engine->addOperation();
            m_engine->setOperation(i, operations->at(i));
        }
        m_engine->updatePreview();
        return true;
    }
    }
    return true;
}

bool CliCommand::loadSavedWorkflow(const QString &name, QString *error)
{
    if (!m_engine->hasSavedWorkflow(name)) {
        const QStringList names = m_engine->savedWorkflowNames();
        *error = names.isEmpty()
                     ? QStringLiteral("no workflow named “%1”: no workflow is saved").arg(name)
                     : QStringLiteral("no workflow named “%1” (saved: %2)")
                           .arg(name, names.join(QStringLiteral(", ")));
        return false;
    }
    m_engine->loadWorkflow(name);
    return true;
}

std::optional<QByteArray> CliCommand::readInput(const QByteArray &path, QString *error) const
{
    QFile file;
    const bool opened =
        path == "-" ? file.open(stdin, QIODevice::ReadOnly)
                    : (file.setFileName(QFile::decodeName(path)), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("cannot read “%1”: %2")
                     .arg(LocalPath::display(path), file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

QString CliCommand::unwritableFolder() const
{
    QHash<QByteArray, bool> checked;
    // Listed files mostly come folder by folder: the folder of the file before is asked
    // again first.
    QByteArrayView previous;
    for (const FileItem &item : m_engine->files()) {
        if (item.status != RenameStatus::pending || item.newName == item.originalName)
            continue;
        const qsizetype slash = item.path.lastIndexOf('/');
        const QByteArrayView folderPart =
            slash <= 0 ? QByteArrayView("/") : QByteArrayView(item.path).first(slash);
        if (!previous.isNull() && folderPart == previous)
            continue;
        const QByteArray folder = LocalPath::folderOf(item.path);
        auto it = checked.find(folder);
        if (it == checked.end())
            it = checked.insert(
                folder, ::access(folder.isEmpty() ? "/" : folder.constData(), W_OK | X_OK) == 0);
        if (!*it)
            return LocalPath::display(folder);
        previous = folderPart;
    }
    return {};
}

void CliCommand::recoverInterruptedBatches()
{
    const RecoveryReport report = m_engine->recoverInterruptedBatches();
    if (!report.isEmpty())
        std::fprintf(stderr, "brisklet-cli: %s\n%s\n", report.title().toUtf8().constData(),
                     report.message().toUtf8().constData());
}

ExitStatus CliCommand::fail(ExitStatus status, const QString &message) const
{
    std::fprintf(stderr, "brisklet-cli: %s\n", message.toUtf8().constData());
    return status;
}

void CliCommand::write(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}
