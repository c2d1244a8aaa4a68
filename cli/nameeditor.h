#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Hands the new names of a plan to the user's editor, one a line, and takes back what they
// made of them: $VISUAL, else $EDITOR, else vi, started through the shell so that an editor
// given with its arguments works, on the terminal even when standard input carried names.
namespace NameEditor {

// The edited names, as many as given and in their order; none, with `error` saying why,
// when a name cannot be one line, the editor fails, or the line count changed.
std::optional<QStringList> edit(const QStringList &names, QString *error);

} // namespace NameEditor
