#include "temporaryname.h"

#include "localpath.h"

#include <QCoreApplication>
#include <QRandomGenerator>

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
    return ".brisklet-swap-" + batchTag + '-' + QByteArray::number(index, 16);
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
