#pragma once

#include <QString>

struct RenameOperationWrapper;

// What keeps a regular-expression step from working, in short plain English for the
// operation's card and for the command line alike. ICU's own error names are for
// programmers; these say what to mend, and where. The texts are translated in the
// "RegexProblem" context.
namespace RegexProblem {

// Why `pattern` does not compile, with the character where ICU stopped reading it
// ("Missing closing bracket ] at character 6"); empty when it compiles, and for the
// empty pattern, which does nothing.
QString inPattern(const QString &pattern);

// Why `replacement` cannot be used with `pattern`: it names a group the pattern does not
// have ("$9", "${year}"), or a "$" names no group at all. ICU checks this only when a name
// matches, and then leaves the name as it is; this tells it before any name does. Empty
// when the template works, and when the pattern is empty or does not compile.
QString inReplacement(const QString &pattern, const QString &replacement);

// Why the step, if it is a regular expression, leaves every name as it is: its pattern
// does not compile, or it ran out of time on a name (`timedOut`). Empty otherwise.
QString ofStep(const RenameOperationWrapper &step, bool timedOut);
// Why the step's template cannot be used with its pattern; empty for any other mode.
QString ofTemplate(const RenameOperationWrapper &step);

} // namespace RegexProblem
