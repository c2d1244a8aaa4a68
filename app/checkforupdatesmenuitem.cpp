#include "checkforupdatesmenuitem.h"

#include "checkforupdatesviewmodel.h"
#include "updatechecker.h"

#include <QAction>
#include <QPointer>

QAction *CheckForUpdatesMenuItem::create(UpdateChecker *checker, QObject *parent)
{
    auto *action = new QAction(QStringLiteral("Check for Updates\u2026"), parent);
    action->setMenuRole(QAction::ApplicationSpecificRole);
    // The view model lives as long as the action it serves.
    auto *viewModel = new CheckForUpdatesViewModel(checker, action);
    action->setEnabled(viewModel->canCheckForUpdates());
    QObject::connect(viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, action,
                     &QAction::setEnabled);
    QObject::connect(action, &QAction::triggered, action, [target = QPointer(checker)] {
        if (target)
            target->checkForUpdates();
    });
    return action;
}
