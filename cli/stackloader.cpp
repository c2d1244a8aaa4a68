#include "stackloader.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "renameengine.h"
#include "stackfile.h"
#include "workflows/systemworkflow.h"

#include <QHash>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

} // namespace

StackLoader::StackLoader(RenameEngine &engine, const CliOptions &options)
    : m_engine(engine), m_options(options)
{
}

bool StackLoader::readsSavedWorkflows(const CliOptions &options)
{
    return std::any_of(options.stack.cbegin(), options.stack.cend(), [](const StackPiece &piece) {
        return piece.kind == StackPiece::Kind::savedWorkflow;
    });
}

std::optional<QList<RenameOperationWrapper>> StackLoader::steps(QString *error)
{
    QList<RenameOperationWrapper> steps;
    for (const StackPiece &piece : m_options.stack) {
        switch (piece.kind) {
        case StackPiece::Kind::step:
            steps.append(piece.step);
            break;
        case StackPiece::Kind::savedWorkflow:
            if (!loadSavedWorkflow(piece.workflowName, error))
                return std::nullopt;
            steps.append(m_engine.operations());
            break;
        case StackPiece::Kind::systemWorkflow: {
            const std::optional<SystemWorkflow> workflow = systemWorkflowNamed(piece.workflowName);
            if (!workflow) {
                *error = QStringLiteral("unknown built-in workflow “%1” (photo-organization, "
                                        "web-safe-names, document-cleanup, clean-and-number)")
                             .arg(piece.workflowName);
                return std::nullopt;
            }
            steps.append(SystemWorkflows::operations(*workflow));
            break;
        }
        case StackPiece::Kind::stackFile: {
            const std::optional<QList<RenameOperationWrapper>> fileSteps =
                stackFileSteps(piece.stackFilePath, error);
            if (!fileSteps)
                return std::nullopt;
            steps.append(*fileSteps);
            break;
        }
        }
    }
    return steps;
}

bool StackLoader::load(QString *error)
{
    const std::optional<QList<RenameOperationWrapper>> all = steps(error);
    if (!all)
        return false;
    m_engine.setOperations(*all);
    return true;
}

std::optional<QList<RenameOperationWrapper>> StackLoader::stackFileSteps(const QByteArray &path,
                                                                         QString *error)
{
    if (path == "-") {
        if (m_options.nullSeparatedInput) {
            *error = QStringLiteral("--stack - and --null cannot both read standard input");
            return std::nullopt;
        }
        // Standard input is read once: a second "--stack -" would find it empty.
        const auto fromInput = [](const StackPiece &piece) {
            return piece.kind == StackPiece::Kind::stackFile && piece.stackFilePath == "-";
        };
        if (std::count_if(m_options.stack.cbegin(), m_options.stack.cend(), fromInput) > 1) {
            *error = QStringLiteral("--stack - can be given once");
            return std::nullopt;
        }
    }
    const std::optional<QByteArray> text = readInput(path, error);
    if (!text)
        return std::nullopt;
    std::optional<QList<RenameOperationWrapper>> operations = StackFile::parse(*text, error);
    if (!operations)
        *error = CliOutput::escaped(path) % QStringLiteral(": ") % *error;
    return operations;
}

bool StackLoader::loadSavedWorkflow(const QString &name, QString *error)
{
    if (!m_engine.hasSavedWorkflow(name)) {
        const QStringList names = m_engine.savedWorkflowNames();
        *error = names.isEmpty()
                     ? QStringLiteral("no workflow named “%1”: no workflow is saved").arg(name)
                     : QStringLiteral("no workflow named “%1” (saved: %2)")
                           .arg(name, names.join(QStringLiteral(", ")));
        return false;
    }
    m_engine.loadWorkflow(name);
    return true;
}

std::optional<QByteArray> StackLoader::readInput(const QByteArray &path, QString *error)
{
    const auto failed = [&](const QString &reason) {
        *error = QStringLiteral("cannot read “%1”: %2").arg(CliOutput::escaped(path), reason);
        return std::nullopt;
    };
    if (path.isEmpty())
        return failed(QStringLiteral("no file name given"));
    const int descriptor =
        path == "-" ? STDIN_FILENO : ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return failed(CliOutput::systemReason(errno));
    QByteArray bytes;
    char buffer[65536];
    int failure = 0;
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            failure = got < 0 ? errno : 0;
            break;
        }
        bytes.append(buffer, got);
    }
    if (descriptor != STDIN_FILENO)
        ::close(descriptor);
    if (failure != 0)
        return failed(CliOutput::systemReason(failure));
    return bytes;
}

QString StackLoader::brokenStep(const RenameEngine &engine)
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
