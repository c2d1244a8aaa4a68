#include "operations/operationbinding.h"

#include "renameengine.h"

#include <QPointer>

OperationBinding OperationBinding::toEngine(RenameEngine *engine, qsizetype index)
{
    const QPointer<RenameEngine> guarded(engine);
    OperationBinding binding;
    binding.read = [guarded, index] {
        if (!guarded || index < 0 || index >= guarded->operations().size())
            return RenameOperationWrapper();
        return guarded->operations().at(index);
    };
    binding.write = [guarded, index](const RenameOperationWrapper &operation) {
        if (guarded)
            guarded->setOperation(index, operation);
    };
    binding.patternProblem = [guarded, index] {
        return guarded ? guarded->patternProblem(index) : QString();
    };
    return binding;
}
