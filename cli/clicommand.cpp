#include "clicommand.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "disk/posixfilemover.h"
#include "emptypreferencesstore.h"
#include "inputfiles.h"
#include "nameeditor.h"
#include "planprinter.h"
#include "progressreporter.h"
#include "renameengine.h"
#include "stackfile.h"
#include "stackloader.h"
#include "undofile.h"
#include "undofilereverter.h"
#include "undofilewriter.h"
#include "workflowcommand.h"

#include <QCoreApplication>
#include <QHash>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>

using CliOutput::fail;
using CliOutput::write;

namespace {

PlanPrinter printerFor(const CliOptions &options)
{
    // NO_COLOR counts only when set to something; an explicit --color wins over it.
    const bool colour = options.colour == CliOptions::Colour::always ||
                        (options.colour == CliOptions::Colour::automatic &&
                         ::isatty(STDOUT_FILENO) == 1 && qEnvironmentVariableIsEmpty("NO_COLOR"));
    return PlanPrinter(options.json ? PlanPrinter::Format::jsonLines : PlanPrinter::Format::table,
                       colour ? PlanPrinter::Colour::on : PlanPrinter::Colour::off);
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
    case CliOptions::Command::printStack:
        break;
    case CliOptions::Command::saveWorkflow:
    case CliOptions::Command::deleteWorkflow:
        m_engine = std::make_unique<RenameEngine>();
        return changeWorkflows();
    }
    // A stack given in full needs nothing from the application's settings.
    if (StackLoader::readsSavedWorkflows(m_options))
        m_engine = std::make_unique<RenameEngine>();
    else
        m_engine = std::make_unique<RenameEngine>(std::make_unique<EmptyPreferencesStore>(),
                                                  std::make_unique<PosixFileMover>());
    if (m_options.command == CliOptions::Command::printStack)
        return printStack();
    // The plan is shown once: the disk is checked here, before it is printed.
    m_engine->setDiskChecking(RenameEngine::DiskChecking::onRequest);
    m_engine->setPreviewReuse(RenameEngine::PreviewReuse::none);
    return rename();
}

ExitStatus CliCommand::rename()
{
    QString error;
    if (!StackLoader(*m_engine, m_options).load(&error))
        return fail(ExitStatus::badUsage, error);
    if (const QString broken = StackLoader::brokenStep(*m_engine); !broken.isEmpty())
        return fail(ExitStatus::badUsage, broken);
    QList<QByteArray> arguments = m_options.files;
    if (m_options.nullSeparatedInput) {
        const std::optional<QByteArray> input = StackLoader::readInput("-", &error);
        if (!input)
            return fail(ExitStatus::badUsage, error);
        arguments = InputFiles::splitNullSeparated(*input);
    }
    // Recovery first: it may move listed files back from where a crash left them.
    if (m_options.apply)
        recoverInterruptedBatches();
    std::optional<QList<QByteArray>> paths =
        InputFiles::fromArguments(arguments, m_workingDirectory, &error, folderArguments());
    // From here on the rows hold the paths: the lists that led to them go before the rows
    // are worked on, which a long list notices in its memory.
    arguments = QList<QByteArray>();
    if (!paths)
        return fail(ExitStatus::badUsage, error);
    // What they took is handed back to the system before the rows are made: a long list
    // needs the most memory while its rows are made and checked.
    ::malloc_trim(0);
    m_engine->addLocalFiles(*paths);
    paths.reset();
    // And so is what making them took, before the plan is checked and printed.
    ::malloc_trim(0);
    // A file-info step needs what the files say of themselves before any name is known.
    m_engine->readFileInfoNow();
    if (const QString unusable = InputFiles::unusableFile(m_engine->files()); !unusable.isEmpty())
        return fail(ExitStatus::badUsage, unusable);
    if (m_options.sortKey)
        m_engine->sortFiles(*m_options.sortKey, m_options.sortOrder);
    // Names edited by hand come last: after the steps, and after the order they number by.
    if (m_options.edit) {
        QStringList names;
        names.reserve(m_engine->files().size());
        for (const FileItem &item : m_engine->files())
            names.append(item.newName);
        const std::optional<QStringList> edited = NameEditor::edit(names, &error);
        if (!edited)
            return fail(ExitStatus::badUsage, error);
        m_engine->setEditedNames(*edited);
    }
    // A name taken on disk, or a folder that cannot be written, is a problem of the plan.
    m_engine->checkOnDisk();

    const PlanPrinter printer = printerFor(m_options);
    PlanPrinter::Summary summary = PlanPrinter::Summary::of(m_engine->files());
    const qsizetype problems = summary.conflicts + summary.errors;
    if (!m_options.apply) {
        printer.writeRows(m_engine->files(), PlanPrinter::Rows::all, CliOutput::write);
        write(printer.summary(summary));
        return problems > 0 ? ExitStatus::problemsFound : ExitStatus::success;
    }
    if (problems > 0 && !m_options.skipProblems) {
        summary.refused = true;
        write(printer.rows(m_engine->files(), PlanPrinter::Rows::problemsOnly));
        write(printer.summary(summary));
        return fail(ExitStatus::problemsFound,
                    (problems == 1 ? QStringLiteral("1 file has problems")
                                   : QStringLiteral("%1 files have problems").arg(problems)) %
                        QStringLiteral("; nothing was renamed (--skip-problems renames the "
                                       "others)"));
    }
    if (const QString folder = unwritableFolder(); !folder.isEmpty())
        return fail(ExitStatus::badUsage,
                    QStringLiteral("cannot rename in “%1”: %2; nothing was renamed")
                        .arg(folder, QStringLiteral("permission denied")));

    // The undo file holds the batch's plan before anything moves: a batch never runs
    // without one, and a killed one can still be taken back.
    UndoFileWriter undoFile;
    if (!undoFile.create(m_options.undoFilePath, m_workingDirectory, &error))
        return fail(ExitStatus::badUsage, error);
    const qsizetype undoEntriesBefore = m_engine->undoStack().size();
    // Scripts map each file's name before to its name after.
    const std::optional<PlanPrinter::Before> before =
        m_options.json ? std::optional(PlanPrinter::Before::of(m_engine->files())) : std::nullopt;
    ProgressReporter progress(QStringLiteral("Renaming"), stderr);
    const auto [renamed, failed] = m_engine->performRename(
        [&progress](qsizetype done, qsizetype total) { progress.report(done, total); },
        [&undoFile](const UndoOperation &plan) { return undoFile.writePlan(plan); });
    progress.clear();
    const QString planFailure = undoFile.planFailure();
    const QString refusal = !planFailure.isEmpty() ? planFailure : m_engine->batchRefusal();
    if (!refusal.isEmpty()) {
        undoFile.discard();
        return fail(ExitStatus::badUsage, refusal);
    }
    const qsizetype moveFailures = failed - (m_options.skipProblems ? problems : 0);

    summary.applied = true;
    summary.failed = moveFailures;
    // A file whose name stays was moved onto itself: it is neither counted as renamed nor
    // kept in the undo file.
    UndoOperation made;
    qsizetype movedOntoThemselves = 0;
    if (m_engine->undoStack().size() > undoEntriesBefore) {
        made = UndoFileWriter::realRenames(m_engine->undoStack().last());
        movedOntoThemselves = m_engine->undoStack().last().entries.size() - made.entries.size();
    }
    summary.renamed = renamed - movedOntoThemselves;
    if (!made.entries.isEmpty()) {
        undoFile.finish(made);
        summary.undoFile = LocalPath::display(undoFile.path());
    } else {
        undoFile.discard();
    }
    // People read what went wrong; scripts get every file's outcome.
    printer.writeRows(m_engine->files(),
                      m_options.json ? PlanPrinter::Rows::all : PlanPrinter::Rows::problemsOnly,
                      CliOutput::write, before ? &*before : nullptr);
    write(printer.summary(summary));
    if (!summary.undoFile.isEmpty() && !m_options.json)
        write("Undo file: " + CliOutput::escaped(undoFile.path()).toUtf8() + '\n');
    return moveFailures > 0 ? ExitStatus::movesFailed : ExitStatus::success;
}

ExitStatus CliCommand::revert()
{
    QString error;
    const std::optional<QByteArray> bytes =
        StackLoader::readInput(m_options.revertFilePath, &error);
    if (!bytes)
        return fail(ExitStatus::badUsage, error);
    std::optional<UndoFile::Contents> contents = UndoFile::parse(*bytes, &error);
    if (!contents)
        return fail(ExitStatus::badUsage,
                    CliOutput::escaped(m_options.revertFilePath) % QStringLiteral(": ") % error);
    recoverInterruptedBatches();
    return UndoFileReverter(*m_engine).revert(std::move(*contents), m_options.revertFilePath);
}

ExitStatus CliCommand::exportWorkflow()
{
    QString error;
    if (!StackLoader(*m_engine, m_options).loadSavedWorkflow(m_options.workflowName, &error))
        return fail(ExitStatus::badUsage, error);
    write(StackFile::serialize(m_engine->operations()));
    return ExitStatus::success;
}

ExitStatus CliCommand::printStack()
{
    QString error;
    const std::optional<QList<RenameOperationWrapper>> steps =
        StackLoader(*m_engine, m_options).steps(&error);
    if (!steps)
        return fail(ExitStatus::badUsage, error);
    write(StackFile::serialize(*steps));
    return ExitStatus::success;
}

ExitStatus CliCommand::changeWorkflows()
{
    QString error;
    StackLoader stack(*m_engine, m_options);
    WorkflowCommand workflows(*m_engine);
    if (m_options.command == CliOptions::Command::deleteWorkflow) {
        // Only a saved name can be deleted; loading it says so in the usual words.
        if (!stack.loadSavedWorkflow(m_options.workflowName, &error))
            return fail(ExitStatus::badUsage, error);
        return workflows.remove(m_options.workflowName);
    }
    if (!stack.load(&error))
        return fail(ExitStatus::badUsage, error);
    return workflows.save(m_options.saveName, m_options.overwrite
                                                  ? WorkflowCommand::Existing::replaced
                                                  : WorkflowCommand::Existing::refused);
}

InputFiles::FolderArguments CliCommand::folderArguments() const
{
    if (!m_options.recursive)
        return InputFiles::FolderArguments::renamed;
    return m_options.hidden ? InputFiles::FolderArguments::filesBelowWithHidden
                            : InputFiles::FolderArguments::filesBelow;
}

ExitStatus CliCommand::listWorkflows()
{
    for (const QString &name : m_engine->savedWorkflowNames())
        write(name.toUtf8() + '\n');
    return ExitStatus::success;
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
            return CliOutput::escaped(folder);
        previous = folderPart;
    }
    return {};
}

void CliCommand::recoverInterruptedBatches()
{
    const RecoveryReport report = m_engine->recoverInterruptedBatches();
    if (!report.isEmpty())
        std::fprintf(stderr, "brisklet-cli: %s\n%s\n", report.title().toUtf8().constData(),
                     report.message(CliOutput::escaped).toUtf8().constData());
}
