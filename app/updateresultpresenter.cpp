#include "updateresultpresenter.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

QMessageBox *UpdateResultPresenter::present(const UpdateCheckResult &result,
                                            const QString &applicationName, QWidget *parent,
                                            UrlOpener opener)
{
    if (!opener)
        opener = [](const QUrl &url) { return QDesktopServices::openUrl(url); };

    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(tr("Check for Updates"));
    box->setTextFormat(Qt::PlainText);

    switch (result.outcome) {
    case UpdateCheckResult::Outcome::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(tr("You're up to date"));
        box->setInformativeText(tr("%1 %2 is the newest version available.")
                                    .arg(applicationName, result.currentVersion));
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Outcome::updateAvailable: {
        box->setIcon(QMessageBox::Information);
        box->setText(tr("A new version of %1 is available").arg(applicationName));
        box->setInformativeText(
            tr("%1 %2 is available. You have version %3.")
                .arg(applicationName, result.newVersion, result.currentVersion));
        QPushButton *page = nullptr;
        if (result.releasePage.isValid() && !result.releasePage.isEmpty())
            page = box->addButton(tr("Open Release Page"), QMessageBox::AcceptRole);
        QPushButton *notes = nullptr;
        if (result.releaseNotesLink.isValid() && !result.releaseNotesLink.isEmpty())
            notes = box->addButton(tr("Release Notes"), QMessageBox::HelpRole);
        QPushButton *later = box->addButton(tr("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(page ? page : later);
        QObject::connect(box, &QMessageBox::buttonClicked, box,
                         [page, notes, result, opener](QAbstractButton *clicked) {
                             if (page && clicked == page)
                                 opener(result.releasePage);
                             else if (notes && clicked == notes)
                                 opener(result.releaseNotesLink);
                         });
        break;
    }
    case UpdateCheckResult::Outcome::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(tr("Could not check for updates"));
        box->setInformativeText(result.failureMessage);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }

    // Versions and failure texts come from the network; plain text keeps any markup inert.
    if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    box->open();
    return box;
}
