#include "mainwindow.h"

#include "window/contentview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>

namespace {
const QString frameKey = QStringLiteral("MainWindow");
}

MainWindow::MainWindow(ContentView *content, QSettings *settings, QWidget *parent)
    : QMainWindow(parent), m_content(content), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Brisklet"));
    resize(initialSize);
    setCentralWidget(content);
    setMinimumSize(minimumContentSize);
    // Centred first; a remembered frame then puts the window back where the user left it.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
    const QByteArray frame = m_settings->value(frameKey).toByteArray();
    if (!frame.isEmpty())
        restoreGeometry(frame);
    // The application closes its windows when it quits; this window has to see that
    // before its close arrives, or the refused close would abandon the quit.
    m_menuBar = menuBar();
    m_menuBar->installEventFilter(this);
    qApp->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::Quit)
        m_quitting = true;
    // After Alt and a letter and then Escape, the menu bar keeps the keyboard with a title
    // lit, and would take Tab without doing anything with it. Tab leaves the menu bar,
    // giving the focus back where it was, and goes on from there as it would anywhere else.
    if (watched == m_menuBar && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(m_menuBar, &escape);
            focusNextPrevChild(key->key() == Qt::Key_Tab);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::saveFrame()
{
    m_settings->setValue(frameKey, saveGeometry());
    m_settings->sync();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveFrame();
    if (m_quitting) {
        event->accept();
        return;
    }
    event->ignore();
    hide();
    Q_EMIT hiddenByClose();
}
