#include "clicommand.h"

#include "emptypreferencesstore.h"
#include "inputfiles.h"
#include "localpath.h"
#include "planprinter.h"
#include "posixfilemover.h"
#include "progressreporter.h"
#include "renameengine.h"
#include "stackfile.h"
#include "systemworkflow.h"
#include "undofile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>

#include <unistd.h>

#include <cstdio>

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

    // The undo file is created before anything moves, so a batch never runs without one.
    QByteArray undoPath;
    if (m_options.undoFilePath) {
        undoPath = m_options.undoFilePath->startsWith('/')
                       ? *m_options.undoFilePath
                       : m_workingDirectory + '/' + *m_options.undoFilePath;
    } else {
        const QByteArray folder = UndoFile::defaultFolder();
        if (!QDir().mkpath(QFile::decodeName(folder)))
            return fail(ExitStatus::badUsage,
                        QStringLiteral("cannot create the folder “%1”; nothing was renamed")
                            .arg(LocalPath::display(folder)));
        undoPath = folder + '/' +
                   QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz").toLatin1() + '-' +
                   QByteArray::number(::getpid()) + ".json";
    }
    QFile undoFile(QFile::decodeName(undoPath));
    if (!undoFile.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(ExitStatus::badUsage,
                    QStringLiteral("cannot create the undo file “%1”: %2; nothing was renamed")
                        .arg(LocalPath::display(undoPath), undoFile.errorString()));

    const qsizetype undoEntriesBefore = m_engine->undoStack().size();
    ProgressReporter progress(QStringLiteral("Renaming"), stderr);
    const auto [renamed, failed] = m_engine->performRename(
        [&progress](qsizetype done, qsizetype total) { progress.report(done, total); });
    const qsizetype moveFailures = failed - (m_options.skipProblems ? problems : 0);

    summary.applied = true;
    summary.renamed = renamed;
    summary.failed = moveFailures;
    bool undoWritten = false;
    if (m_engine->undoStack().size() > undoEntriesBefore) {
        const QByteArray bytes = UndoFile::serialize(m_engine->undoStack().last());
        undoWritten = undoFile.write(bytes) == bytes.size() && undoFile.flush();
        undoFile.close();
        if (undoWritten)
            summary.undoFile = LocalPath::display(undoPath);
        else
            std::fprintf(stderr, "brisklet-cli: the undo file “%s” could not be written\n",
                         undoPath.constData());
    } else {
        undoFile.close();
        undoFile.remove();
    }
    // People read what went wrong; scripts get every file's outcome.
    write(printer.rows(m_engine->files(),
                       m_options.json ? PlanPrinter::Rows::all : PlanPrinter::Rows::problemsOnly));
    write(printer.summary(summary));
    if (undoWritten && !m_options.json)
        write("Undo file: " + undoPath + '\n');
    return moveFailures > 0 || (renamed > 0 && !undoWritten) ? ExitStatus::movesFailed
                                                             : ExitStatus::success;
}

ExitStatus CliCommand::revert()
{
    QString error;
    const std::optional<QByteArray> bytes = readInput(m_options.revertFilePath, &error);
    if (!bytes)
        return fail(ExitStatus::badUsage, error);
    const std::optional<UndoOperation> operation = UndoFile::parse(*bytes, &error);
    if (!operation)
        return fail(ExitStatus::badUsage,
                    LocalPath::display(m_options.revertFilePath) % QStringLiteral(": ") % error);
    recoverInterruptedBatches();
    ProgressReporter progress(QStringLiteral("Reverting"), stderr);
    m_engine->revertUndoOperation(
        *operation, [&progress](qsizetype done, qsizetype total) { progress.report(done, total); });

    // Where each item should be now: under its name before, in its folder as it was
    // before, since a renamed folder is taken back too.
    QHash<QByteArray, QByteArray> nameBefore;
    for (const UndoOperation::Entry &entry : operation->entries)
        nameBefore.insert(entry.path, entry.originalName);
    QHash<QByteArray, QByteArray> restored;
    const std::function<QByteArray(const QByteArray &)> restore =
        [&](const QByteArray &path) -> QByteArray {
        if (path.isEmpty() || path == "/")
            return path;
        if (const auto known = restored.constFind(path); known != restored.cend())
            return *known;
        const QByteArray name = nameBefore.value(path, LocalPath::nameOf(path));
        const QByteArray folder = restore(LocalPath::folderOf(path));
        QByteArray result =
            folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
        restored.insert(path, result);
        return result;
    };
    PosixFileMover mover;
    qsizetype notReverted = 0;
    for (const UndoOperation::Entry &entry : operation->entries) {
        if (mover.identity(restore(entry.path)) != entry.identity)
            ++notReverted;
    }
    const qsizetype total = operation->entries.size();
    write(
        QStringLiteral("Reverted %1 of %2 renames.").arg(total - notReverted).arg(total).toUtf8() +
        '\n');
    return notReverted > 0 ? ExitStatus::movesFailed : ExitStatus::success;
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
