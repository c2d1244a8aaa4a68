#include "checkforupdatesviewmodel.h"

#include "updatechecker.h"

CheckForUpdatesViewModel::CheckForUpdatesViewModel(UpdateChecker *checker, QObject *parent)
    : QObject(parent)
{
    if (!checker)
        return;
    connect(checker, &UpdateChecker::canCheckForUpdatesChanged, this,
            &CheckForUpdatesViewModel::setCanCheckForUpdates);
    setCanCheckForUpdates(checker->canCheckForUpdates());
}

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool canCheck)
{
    if (canCheck == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}
