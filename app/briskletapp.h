#pragma once

#include <QCoreApplication>

class AppDelegate;
class QAction;
class QMainWindow;
class QMenu;

// The menu bar: File with "Add Files..." and Quit, View with the sidebar command, Help with
// "Contact Support", "Check for Updates…" and "About Brisklet". There is no settings command.
class BriskletApp {
    Q_DECLARE_TR_FUNCTIONS(BriskletApp)

public:
    struct Menus {
        QMenu *file = nullptr;
        QMenu *view = nullptr;
        QMenu *help = nullptr;
        QAction *addFiles = nullptr;
        QAction *closeWindow = nullptr;
        QAction *quit = nullptr;
        QAction *toggleSidebar = nullptr;
        QAction *contactSupport = nullptr;
        QAction *checkForUpdates = nullptr;
        QAction *about = nullptr;
    };

    static Menus installMenus(QMainWindow *window, AppDelegate *delegate);
};
