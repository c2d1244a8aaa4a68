#include "appdelegate.h"

#include "briskletapp.h"
#include "dialogs/alertdialog.h"
#include "disk/recoveryreport.h"
#include "mainwindow.h"
#include "renameengine.h"
#include "supportrequest.h"
#include "updatechecker.h"
#include "updatecheckresult.h"
#include "updatefeedlocation.h"
#include "updateresultpresenter.h"
#include "window/contentview.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTimer>

#include <dirent.h>

namespace {

// Qt's file chooser lists a folder through text names and leaves out every item whose name
// is not valid UTF-8: such an item cannot be chosen there at all. Counted from the folder's
// own bytes, with hidden names left out as the chooser leaves them out.
qsizetype namesTheChooserCannotShow(const QString &folder)
{
    DIR *directory = ::opendir(QFile::encodeName(folder).constData());
    if (!directory)
        return 0;
    qsizetype count = 0;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        if (QFile::encodeName(QFile::decodeName(name)) != name)
            ++count;
    }
    ::closedir(directory);
    return count;
}

} // namespace

AppDelegate::AppDelegate(std::unique_ptr<QSettings> settings, std::unique_ptr<RenameEngine> engine,
                         QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_renameEngine(std::move(engine))
{
    m_updateChecker = new UpdateChecker(UpdateFeedLocation::resolve(*m_settings),
                                        QCoreApplication::applicationVersion(), this);
    connect(m_updateChecker, &UpdateChecker::checkFinished, this,
            [this](const UpdateCheckResult &result) {
                UpdateResultPresenter::present(result, QCoreApplication::applicationName(),
                                               m_mainWindow);
            });
    connect(m_renameEngine.get(), &RenameEngine::browseRequested, this, &AppDelegate::chooseFiles);
    connect(m_renameEngine.get(), &RenameEngine::busyChanged, this, &AppDelegate::handleDeferred);
}

AppDelegate::~AppDelegate()
{
    if (m_mainWindow) {
        m_mainWindow->saveFrame();
        delete m_mainWindow;
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    // Windows are never brought back from an earlier run by the desktop session.
    m_settings->setValue(QStringLiteral("NSQuitAlwaysKeepsWindows"), false);
    m_settings->sync();
    createTrayIcon();
    showMainWindow();
    reportInterruptedBatches();
}

void AppDelegate::reportInterruptedBatches()
{
    // Before anything of this run moves a file: a batch that a crash cut short may have
    // left files under temporary names.
    const RecoveryReport report = m_renameEngine->recoverInterruptedBatches();
    if (report.isEmpty())
        return;
    auto *alert = new AlertDialog(report.title(), report.message(), m_mainWindow);
    alert->addButton(tr("OK"), AlertDialog::Role::cancel);
    alert->open();
}

void AppDelegate::showMainWindow()
{
    if (!m_mainWindow) {
        auto *content = new ContentView(m_renameEngine.get());
        m_mainWindow = new MainWindow(content, m_settings.get());
        m_mainWindow->setWindowIcon(QApplication::windowIcon());
        BriskletApp::installMenus(m_mainWindow, this);
        connect(qApp, &QCoreApplication::aboutToQuit, m_mainWindow, &MainWindow::saveFrame);
        connect(m_mainWindow, &MainWindow::hiddenByClose, this, &AppDelegate::windowClosed);
    }
    if (m_mainWindow->isMinimized())
        m_mainWindow->showNormal();
    else
        m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

bool AppDelegate::keepsRunningWhenClosed() const
{
    // The tray icon is the way back to a hidden window. Without one (a desktop without a
    // tray, or its panel gone since) a hidden window would leave a process nobody can see.
    return m_tray && m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void AppDelegate::windowClosed()
{
    if (!keepsRunningWhenClosed())
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void AppDelegate::openFiles(const QList<QUrl> &urls)
{
    // All of them in one call: one preview for the whole hand-over.
    m_renameEngine->startAddingFiles(urls);
    showMainWindow();
}

void AppDelegate::browseFiles()
{
    showMainWindow();
    const QPointer<AppDelegate> self(this);
    QTimer::singleShot(browseDelayMilliseconds, this, [self] {
        if (self)
            self->chooseFiles();
    });
}

void AppDelegate::sendSupportRequest(const std::optional<QString> &subject)
{
    if (SupportRequest::sendSupportRequest(subject))
        return;
    // Without a mail program the user still needs the address, where it can be copied.
    auto *alert =
        new AlertDialog(tr("No Mail Program"),
                        tr("No mail program is set up to write the message. Please write to this "
                           "address instead:\n%1")
                            .arg(SupportRequest::supportAddress()),
                        m_mainWindow);
    alert->addButton(tr("OK"), AlertDialog::Role::cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void AppDelegate::handle(const LaunchRequest &request)
{
    if (m_renameEngine->isBusy()) {
        m_deferred.append(request);
        return;
    }
    switch (request.action) {
    case LaunchRequest::Action::openFiles:
        openFiles(request.files);
        break;
    case LaunchRequest::Action::addFiles:
        browseFiles();
        break;
    case LaunchRequest::Action::showWindow:
        showMainWindow();
        break;
    }
}

void AppDelegate::handleDeferred(bool busy)
{
    if (busy)
        return;
    const QList<LaunchRequest> deferred = std::exchange(m_deferred, {});
    for (const LaunchRequest &request : deferred)
        QTimer::singleShot(0, this, [this, request] { handle(request); });
}

void AppDelegate::chooseFiles()
{
    auto *dialog = new QFileDialog(m_mainWindow, tr("Add Files"));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the window stays usable while the chooser is up.
    dialog->setModal(false);
    // Qt's own dialog does not emit urlsSelected, a native one may: the selection is taken
    // once the dialog is accepted, which every kind of dialog reports. Files chosen while a
    // batch runs would be refused by the busy engine; they join the list once the batch is
    // done, like files another launch hands over.
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const QList<QUrl> urls = dialog->selectedUrls();
        if (m_renameEngine->isBusy())
            m_deferred.append({LaunchRequest::Action::openFiles, urls});
        else
            m_renameEngine->startAddingFiles(urls);
        reportHiddenNames(dialog->directory().absolutePath());
    });
    dialog->show();
}

void AppDelegate::reportHiddenNames(const QString &folder)
{
    const qsizetype hidden = namesTheChooserCannotShow(folder);
    if (hidden == 0)
        return;
    auto *alert = new AlertDialog(
        tr("Some Files Were Not Shown"),
        tr("%n item(s) in “%1” could not be listed for choosing and were not added: their "
           "names are not valid UTF-8 text. To add them, drag them from the file manager onto "
           "the window.",
           nullptr, int(hidden))
            .arg(QFileInfo(folder).fileName()),
        m_mainWindow);
    alert->setObjectName(QStringLiteral("hiddenNamesAlert"));
    alert->addButton(tr("OK"), AlertDialog::Role::cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void AppDelegate::createTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_trayMenu = new QMenu;
    connect(this, &QObject::destroyed, m_trayMenu, &QObject::deleteLater);
    QAction *add = m_trayMenu->addAction(tr("Add Files..."));
    connect(add, &QAction::triggered, this, &AppDelegate::browseFiles);
    m_trayMenu->addSeparator();
    QAction *show = m_trayMenu->addAction(tr("Show Window"));
    connect(show, &QAction::triggered, this, &AppDelegate::showMainWindow);
    m_trayMenu->addSeparator();
    QAction *quit = m_trayMenu->addAction(tr("Quit"));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    m_tray = new QSystemTrayIcon(QApplication::windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Brisklet"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    showMainWindow();
            });
    m_tray->show();
}
