#pragma once

#include "launchrequest.h"
#include "mainwindow.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class CheckForUpdatesViewModel;
class ContentView;
class QAction;
class QMenu;
class QSettings;
class QSystemTrayIcon;
class RenameEngine;
class UpdateChecker;

// Owns what lives as long as the process: the rename engine, the main window once it is
// needed, and the update checker. Files the desktop opens with the application, the tray
// menu and later launches all arrive here.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long after showing the window the tray's "Add Files..." opens the chooser.
    static constexpr int browseDelayMilliseconds = 300;

    // `settings` is where the window frame and the launch flag are kept; the engine keeps
    // its workflows in the same file. Tests hand in a temporary one.
    explicit AppDelegate(std::unique_ptr<QSettings> settings, std::unique_ptr<RenameEngine> engine,
                         QObject *parent = nullptr);
    ~AppDelegate() override;

    RenameEngine *renameEngine() const { return m_renameEngine.get(); }
    MainWindow *mainWindow() const { return m_mainWindow; }
    UpdateChecker *updateChecker() const { return m_updateChecker; }
    QSettings *settings() const { return m_settings.get(); }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_trayMenu; }

    void applicationDidFinishLaunching();
    void showMainWindow();
    void openFiles(const QList<QUrl> &urls);
    // The tray's "Add Files...": the window first, the chooser a moment later.
    void browseFiles();
    void sendSupportRequest(const std::optional<QString> &subject = std::nullopt);
    // A request of this or a later launch.
    void handle(const LaunchRequest &request);
    // Closing the window hides it while a tray icon can bring it back; otherwise it quits.
    bool keepsRunningWhenClosed() const;

private:
    // Shows the file chooser without blocking; the chosen files join the list in one call.
    void chooseFiles();
    // Tells the user of items in `folder` that the file chooser could not list.
    void reportHiddenNames(const QString &folder);
    void reportInterruptedBatches();
    void createTrayIcon();
    void handleDeferred(bool busy);
    void windowClosed();

    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<RenameEngine> m_renameEngine;
    UpdateChecker *m_updateChecker = nullptr;
    QPointer<MainWindow> m_mainWindow;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_trayMenu = nullptr;
    // Requests that arrived while a batch ran; they are handled once it is done.
    QList<LaunchRequest> m_deferred;
};
