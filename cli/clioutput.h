#pragma once

#include "exitstatus.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What brisklet-cli says: results on standard output for people and scripts to read, and
// problems on standard error, each on a line of its own after the program's name.
namespace CliOutput {

void write(const QByteArray &bytes);
// Tells why the run stops, and gives the status it ends with.
ExitStatus fail(ExitStatus status, const QString &message);
// A name or path as a message shows it, escaped as `ls -b` does: \n, \t, \\ and the other
// C escapes, and \ooo in octal for every other control character and every byte that is not
// UTF-8. A name can then neither break a message's line nor send commands to the terminal,
// and its exact bytes can still be read from it.
QString escaped(QByteArrayView bytes);
// "1 file", "2 files": `noun` with the count, in the plural when the count is not one.
QString counted(qsizetype count, const char *noun);
// The system's reason for `error`, as the other messages word it: in lower case.
QString systemReason(int error);

} // namespace CliOutput
