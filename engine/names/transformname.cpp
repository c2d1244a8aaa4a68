#include "names/transformname.h"

#include "names/nametransformer.h"

QString transformName(const QString &name, const QList<RenameOperationWrapper> &operations,
                      qsizetype position)
{
    return NameTransformer(operations).apply(name, position);
}
