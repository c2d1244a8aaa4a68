#pragma once

#include <QObject>
#include <QPointer>

class AlertDialog;
class ErrorDetailsSheet;
class ManageWorkflowsSheet;
class QDialog;
class QWidget;
class RenameEngine;
class SuccessOverlay;

// Puts the main window's alerts, sheets and success notices in front of it. Every part of
// the window presents through this one object, which gives the window its activation back
// whenever one of them closes.
class WindowPresenter : public QObject {
    Q_OBJECT

public:
    // How long the success notice stays before it leaves.
    static constexpr int successMilliseconds = 2500;

    // Alerts and sheets are children of `host`; the notice is `overlay`.
    WindowPresenter(RenameEngine *engine, QWidget *host, SuccessOverlay *overlay);

    // An alert over the window, to be given its buttons and then presented.
    AlertDialog *makeAlert(const QString &title, const QString &message) const;
    QWidget *host() const { return m_host; }
    void present(AlertDialog *alert);
    void showSuccess(const QString &message);
    // The same notice for work done only in part: a warning sign in place of the check.
    void showPartialSuccess(const QString &message);
    // Each sheet is up at most once; asking again while it is up does nothing.
    void showErrorDetails();
    void showManageWorkflows();
    // Gives the window the activation back, as a closed dialog should.
    void reactivateWindow();

private:
    void showNotice(const QString &message, bool complete);
    void reactivateWindowWhenClosed(QDialog *dialog);

    RenameEngine *m_engine;
    QWidget *m_host;
    SuccessOverlay *m_overlay;
    QPointer<ErrorDetailsSheet> m_errorSheet;
    QPointer<ManageWorkflowsSheet> m_manageSheet;
};
