#include "disk/temporaryname.h"

#include "disk/localpath.h"

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

QByteArray swapNamePrefix(const QByteArray &batchTag)
{
    return ".brisklet-swap-" + batchTag + '-';
}

QByteArray swapName(const QByteArray &batchTag, qsizetype index)
{
    char digits[16];
    const std::to_chars_result end =
        std::to_chars(std::begin(digits), std::end(digits), quint64(index), 16);
    return swapNamePrefix(batchTag).append(digits, end.ptr - digits);
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
