#pragma once

#include "workflows/systemworkflow.h"

#include <QString>

// What the load menu shows for each built-in workflow.
namespace SystemWorkflowLabels {

QString label(SystemWorkflow workflow);
// A symbol name of the icon table.
QString iconName(SystemWorkflow workflow);

} // namespace SystemWorkflowLabels
