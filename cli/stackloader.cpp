#include "stackloader.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "renameengine.h"
#include "stackfile.h"
#include "workflows/systemworkflow.h"

#include <QFile>
#include <QHash>

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

bool StackLoader::load(QString *error)
{
    switch (m_options.stackSource) {
    case CliOptions::StackSource::none:
        break;
    case CliOptions::StackSource::workflow:
        return loadSavedWorkflow(m_options.workflowName, error);
    case CliOptions::StackSource::systemWorkflow:
        if (const std::optional<SystemWorkflow> workflow =
                systemWorkflowNamed(m_options.workflowName)) {
            m_engine.loadSystemWorkflow(*workflow);
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
            *error = CliOutput::escaped(m_options.stackFilePath) % QStringLiteral(": ") % *error;
            return false;
        }
        for (qsizetype i = 0; i < operations->size(); ++i) {
            if (i > 0)
                m_engine.addOperation();
            m_engine.setOperation(i, operations->at(i));
        }
        m_engine.updatePreview();
        return true;
    }
    }
    return true;
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
    QFile file;
    const bool opened =
        path == "-" ? file.open(stdin, QIODevice::ReadOnly)
                    : (file.setFileName(QFile::decodeName(path)), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("cannot read “%1”: %2")
                     .arg(CliOutput::escaped(path), file.errorString());
        return std::nullopt;
    }
    return file.readAll();
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
