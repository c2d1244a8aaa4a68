#pragma once

#include "exitstatus.h"

#include <QByteArray>
#include <QString>

// What brisklet-cli says: results on standard output for people and scripts to read, and
// problems on standard error, each on a line of its own after the program's name.
namespace CliOutput {

void write(const QByteArray &bytes);
// Tells why the run stops, and gives the status it ends with.
ExitStatus fail(ExitStatus status, const QString &message);
// The system's reason for `error`, as the other messages word it: in lower case.
QString systemReason(int error);

} // namespace CliOutput
