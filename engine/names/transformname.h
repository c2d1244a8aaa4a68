#pragma once

#include "names/renameoperationwrapper.h"

#include <QList>
#include <QString>

// The new name of one file: its current name run through every step of the stack, top to
// bottom. `position` is the file's index in the whole list (used by numbering). Never
// fails; judging the result is the preview's work.
QString transformName(const QString &name, const QList<RenameOperationWrapper> &operations,
                      qsizetype position);
