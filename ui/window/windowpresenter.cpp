#include "window/windowpresenter.h"

#include "dialogs/alertdialog.h"
#include "dialogs/errordetailssheet.h"
#include "dialogs/manageworkflowssheet.h"
#include "window/successoverlay.h"

#include <QTimer>

WindowPresenter::WindowPresenter(RenameEngine *engine, QWidget *host, SuccessOverlay *overlay)
    : QObject(host), m_engine(engine), m_host(host), m_overlay(overlay)
{
}

AlertDialog *WindowPresenter::makeAlert(const QString &title, const QString &message) const
{
    return new AlertDialog(title, message, m_host);
}

void WindowPresenter::present(AlertDialog *alert)
{
    reactivateWindowWhenClosed(alert);
    alert->open();
}

void WindowPresenter::showSuccess(const QString &message)
{
    showNotice(message, true);
}

void WindowPresenter::showPartialSuccess(const QString &message)
{
    showNotice(message, false);
}

void WindowPresenter::showNotice(const QString &message, bool complete)
{
    m_overlay->setComplete(complete);
    m_overlay->setMessage(message);
    m_overlay->present();
    // Each notice schedules its own hide; a later notice does not cancel an earlier one.
    QTimer::singleShot(successMilliseconds, m_overlay, &SuccessOverlay::dismiss);
}

void WindowPresenter::showErrorDetails()
{
    if (m_errorSheet)
        return;
    m_errorSheet = new ErrorDetailsSheet(m_engine, m_host);
    m_errorSheet->setAttribute(Qt::WA_DeleteOnClose);
    reactivateWindowWhenClosed(m_errorSheet);
    m_errorSheet->open();
}

void WindowPresenter::showManageWorkflows()
{
    if (m_manageSheet)
        return;
    m_manageSheet = new ManageWorkflowsSheet(m_engine, m_host);
    m_manageSheet->setAttribute(Qt::WA_DeleteOnClose);
    reactivateWindowWhenClosed(m_manageSheet);
    m_manageSheet->open();
}

void WindowPresenter::reactivateWindowWhenClosed(QDialog *dialog)
{
    // A dialog that the closing one opens next takes activation for itself when it shows.
    connect(dialog, &QDialog::finished, this, &WindowPresenter::reactivateWindow);
}

void WindowPresenter::reactivateWindow()
{
    // Not every window manager hands activation back to the window under a closed dialog,
    // and without it the window's shortcuts (Ctrl+Return) stop working.
    m_host->window()->activateWindow();
}
