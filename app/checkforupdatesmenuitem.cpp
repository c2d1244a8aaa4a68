#include "checkforupdatesmenuitem.h"

#include "checkforupdatesviewmodel.h"
#include "updatechecker.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>

QAction *CheckForUpdatesMenuItem::create(UpdateChecker *checker, QObject *parent)
{
    auto *action = new QAction(
        QCoreApplication::translate("CheckForUpdatesMenuItem", "Check for Updates…"), parent);
    action->setMenuRole(QAction::ApplicationSpecificRole);
    // The view model lives as long as the action it serves.
    auto *viewModel = new CheckForUpdatesViewModel(checker, action);
    // A command that is off says why, when the reason lasts: no feed to ask.
    const auto follow = [action, target = QPointer(checker)](bool canCheck) {
        action->setEnabled(canCheck);
        const bool noFeed = target && target->feedUrl().isEmpty();
        action->setToolTip(
            noFeed ? QCoreApplication::translate("CheckForUpdatesMenuItem",
                                                 "No update feed is set up for this copy of "
                                                 "Brisklet, so it cannot check for updates.")
                   : QString());
    };
    follow(viewModel->canCheckForUpdates());
    QObject::connect(viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, action,
                     follow);
    QObject::connect(action, &QAction::triggered, action, [target = QPointer(checker)] {
        if (target)
            target->checkForUpdates();
    });
    return action;
}
