#pragma once

class QAction;
class QObject;
class UpdateChecker;

// The "Check for Updates…" command: an action that is enabled exactly while the checker can
// start a check, follows it without the menu being rebuilt, and starts a check when chosen.
// It has no shortcut; its menu role lets Qt move it to the application menu on macOS.
class CheckForUpdatesMenuItem {
public:
    static QAction *create(UpdateChecker *checker, QObject *parent);
};
