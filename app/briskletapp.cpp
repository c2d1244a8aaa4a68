#include "briskletapp.h"

#include "appdelegate.h"
#include "checkforupdatesmenuitem.h"
#include "renameengine.h"
#include "window/contentview.h"
#include "window/sortactions.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

BriskletApp::Menus BriskletApp::installMenus(QMainWindow *window, AppDelegate *delegate)
{
    Menus menus;
    QMenuBar *bar = window->menuBar();

    menus.file = bar->addMenu(tr("&File"));
    menus.addFiles = menus.file->addAction(tr("Add Files..."));
    menus.addFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    // At once, without bringing the window forward first.
    QObject::connect(menus.addFiles, &QAction::triggered, delegate,
                     [delegate] { delegate->renameEngine()->browseFiles(); });
    if (auto *content = qobject_cast<ContentView *>(window->centralWidget()))
        menus.file->addMenu(content->sortActions()->menu());
    menus.file->addSeparator();
    // Closing hides the window; with a tray icon the application keeps running until Quit.
    menus.closeWindow = menus.file->addAction(tr("Close Window"));
    menus.closeWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QObject::connect(menus.closeWindow, &QAction::triggered, window, &QWidget::close);
    menus.quit = menus.file->addAction(tr("Quit"));
    menus.quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    menus.quit->setMenuRole(QAction::QuitRole);
    QObject::connect(menus.quit, &QAction::triggered, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    menus.view = bar->addMenu(tr("&View"));
    menus.toggleSidebar = menus.view->addAction(tr("Hide Sidebar"));
    menus.toggleSidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    if (auto *content = qobject_cast<ContentView *>(window->centralWidget())) {
        QAction *toggle = menus.toggleSidebar;
        QObject::connect(toggle, &QAction::triggered, content, &ContentView::toggleSidebar);
        QObject::connect(menus.view, &QMenu::aboutToShow, toggle, [toggle, content] {
            toggle->setText(content->isSidebarCollapsed() ? tr("Show Sidebar")
                                                          : tr("Hide Sidebar"));
        });
    }

    menus.help = bar->addMenu(tr("&Help"));
    menus.contactSupport = menus.help->addAction(tr("Contact Support"));
    QObject::connect(menus.contactSupport, &QAction::triggered, delegate,
                     [delegate] { delegate->sendSupportRequest(); });
    menus.help->addSeparator();
    menus.checkForUpdates = CheckForUpdatesMenuItem::create(delegate->updateChecker(), menus.help);
    menus.help->addAction(menus.checkForUpdates);
    menus.help->setToolTipsVisible(true);
    menus.help->addSeparator();
    menus.about = menus.help->addAction(tr("About Brisklet"));
    menus.about->setMenuRole(QAction::AboutRole);
    QObject::connect(menus.about, &QAction::triggered, window, [window] {
        auto *box = new QMessageBox(QMessageBox::NoIcon, tr("About Brisklet"),
                                    tr("Brisklet %1").arg(QCoreApplication::applicationVersion()),
                                    QMessageBox::Ok, window);
        box->setInformativeText(tr("Rename many files at once: stack rename operations, see every "
                                   "new name before anything changes, and undo the last batches."));
        box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    return menus;
}
