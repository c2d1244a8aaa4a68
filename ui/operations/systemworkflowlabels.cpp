#include "operations/systemworkflowlabels.h"

#include <QCoreApplication>

#include <string_view>

namespace SystemWorkflowLabels {

namespace {

struct Row {
    SystemWorkflow workflow;
    const char *label;
    std::u16string_view iconName;
};

constexpr std::array rows{
    Row{SystemWorkflow::photoOrganization,
        QT_TRANSLATE_NOOP("SystemWorkflowLabels", "Photo Organization"), u"photo.stack.fill"},
    Row{SystemWorkflow::webSafeNames, QT_TRANSLATE_NOOP("SystemWorkflowLabels", "Web-Safe Names"),
        u"globe"},
    Row{SystemWorkflow::documentCleanup,
        QT_TRANSLATE_NOOP("SystemWorkflowLabels", "Document Cleanup"), u"doc.text.fill"},
    Row{SystemWorkflow::cleanAndNumber, QT_TRANSLATE_NOOP("SystemWorkflowLabels", "Clean & Number"),
        u"list.number"}};

constexpr bool followsTheEngine()
{
    if (rows.size() != SystemWorkflows::all.size())
        return false;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].workflow != SystemWorkflows::all[i])
            return false;
    }
    return true;
}
static_assert(followsTheEngine(), "one row per built-in workflow, in the engine's order");

QString text(std::u16string_view text)
{
    return QString::fromRawData(reinterpret_cast<const QChar *>(text.data()),
                                static_cast<qsizetype>(text.size()));
}

const Row *rowOf(SystemWorkflow workflow)
{
    const auto index = static_cast<size_t>(workflow);
    return index < rows.size() ? &rows[index] : nullptr;
}

} // namespace

QString label(SystemWorkflow workflow)
{
    const Row *row = rowOf(workflow);
    return row ? QCoreApplication::translate("SystemWorkflowLabels", row->label) : QString();
}

QString iconName(SystemWorkflow workflow)
{
    const Row *row = rowOf(workflow);
    return row ? text(row->iconName) : QString();
}

} // namespace SystemWorkflowLabels
