#include "temporaryname.h"

#include "localpath.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <charconv>
#include <iterator>

namespace TemporaryName {

namespace {

QByteArray randomTag()
{
    return QByteArray::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, '0');
}

} // namespace

QByteArray newBatchTag()
{
    return randomTag();
}

QByteArray swapName(const QByteArray &batchTag, qsizetype index)
{
    // Built in place: a batch asks for one per move.
    static constexpr QByteArrayView prefix(".brisklet-swap-");
    char digits[16];
    const std::to_chars_result end =
        std::to_chars(std::begin(digits), std::end(digits), quint64(index), 16);
    QByteArray name;
    name.reserve(prefix.size() + batchTag.size() + 1 + (end.ptr - digits));
    name.append(prefix).append(batchTag).append('-').append(digits, end.ptr - digits);
    return name;
}

QByteArray caseChangeName()
{
    return ".brisklet-case-" + randomTag();
}

QByteArray probeName()
{
    return ".brisklet-probe-" + randomTag();
}

QString nowNamed(const QByteArray &name)
{
    return QCoreApplication::translate("TemporaryName", " The file is now named “%1”.")
        .arg(LocalPath::display(name));
}

} // namespace TemporaryName
