#pragma once

#include <QCoreApplication>

#include "updatecheckresult.h"

#include <QString>

#include <functional>

class QMessageBox;
class QUrl;
class QWidget;

// Shows the outcome of an update check in a message box. The box is opened, not executed, so
// nothing blocks and tests can look at it and press its buttons; it deletes itself when
// closed. Links are opened through the given opener (the desktop's browser by default).
class UpdateResultPresenter {
    Q_DECLARE_TR_FUNCTIONS(UpdateResultPresenter)

public:
    using UrlOpener = std::function<bool(const QUrl &)>;

    static QMessageBox *present(const UpdateCheckResult &result, const QString &applicationName,
                                QWidget *parent = nullptr, UrlOpener opener = {});
};
