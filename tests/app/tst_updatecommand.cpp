#include "testregistry.h"

#include "checkforupdatesmenuitem.h"
#include "feedserver.h"
#include "updatechecker.h"
#include "updateresultpresenter.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class UpdateCommandTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuItemFollowsTheChecker()
    {
        FeedServer server;
        server.hang(u"/feed"_qs);
        UpdateChecker checker(server.url(u"/feed"_qs), u"1.0"_qs);
        checker.setLoopbackHttpAllowedForTesting(true);
        checker.setTransferTimeout(std::chrono::milliseconds(300));

        QMenu menu;
        QAction *action = CheckForUpdatesMenuItem::create(&checker, &menu);
        menu.addAction(action);
        QCOMPARE(action->text(), u"Check for Updates\u2026"_qs);
        QVERIFY(action->shortcut().isEmpty());
        QVERIFY(action->isEnabled());

        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        action->trigger();
        QVERIFY(!action->isEnabled());
        QVERIFY(finished.wait(5000));
        QVERIFY(action->isEnabled());
        // The same item in the same menu, not a rebuilt one.
        QCOMPARE(menu.actions(), QList<QAction *>{action});
        QCOMPARE(server.requestCount(), 1);
    }

    void menuItemDisabledWithoutFeed()
    {
        UpdateChecker checker(QUrl(), u"1.0"_qs);
        QAction *action = CheckForUpdatesMenuItem::create(&checker, &checker);
        QVERIFY(!action->isEnabled());
    }

    void upToDateDialog()
    {
        UpdateCheckResult result;
        result.outcome = UpdateCheckResult::Outcome::upToDate;
        result.currentVersion = u"1.2"_qs;
        QMessageBox *box = UpdateResultPresenter::present(result, u"Brisklet"_qs);
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), u"You're up to date"_qs);
        QVERIFY(box->informativeText().contains(u"Brisklet 1.2"_qs));
        box->close();
    }

    void updateDialogOpensTheReleasePage()
    {
        UpdateCheckResult result;
        result.outcome = UpdateCheckResult::Outcome::updateAvailable;
        result.currentVersion = u"1.2"_qs;
        result.newVersion = u"1.3"_qs;
        result.releasePage = QUrl(u"https://brisklet.example/1.3"_qs);
        result.releaseNotesLink = QUrl(u"https://brisklet.example/notes/1.3"_qs);
        QList<QUrl> opened;
        const auto opener = [&](const QUrl &url) {
            opened.append(url);
            return true;
        };

        QPointer<QMessageBox> box =
            UpdateResultPresenter::present(result, u"Brisklet"_qs, nullptr, opener);
        QVERIFY(box->informativeText().contains(u"1.3"_qs));
        QVERIFY(opened.isEmpty()); // nothing is opened, let alone downloaded, unasked
        buttonNamed(box, u"Release Notes"_qs)->click();
        QCOMPARE(opened, QList<QUrl>{result.releaseNotesLink});

        box = UpdateResultPresenter::present(result, u"Brisklet"_qs, nullptr, opener);
        buttonNamed(box, u"Open Release Page"_qs)->click();
        QCOMPARE(opened.last(), result.releasePage);
        QTRY_VERIFY(box.isNull()); // closed and gone

        box = UpdateResultPresenter::present(result, u"Brisklet"_qs, nullptr, opener);
        buttonNamed(box, u"Later"_qs)->click();
        QCOMPARE(opened.size(), 2);
    }

    void failureDialogShowsTheReason()
    {
        UpdateCheckResult result;
        result.outcome = UpdateCheckResult::Outcome::failed;
        result.failureMessage = u"The update server answered with <b>status</b> 500."_qs;
        QMessageBox *box = UpdateResultPresenter::present(result, u"Brisklet"_qs);
        QCOMPARE(box->informativeText(), result.failureMessage);
        auto *label = box->findChild<QLabel *>(u"qt_msgbox_informativelabel"_qs);
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        box->close();
    }

private:
    static QAbstractButton *buttonNamed(QMessageBox *box, const QString &text)
    {
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == text)
                return button;
        }
        qFatal("no button %s", qPrintable(text));
    }
};

BRISKLET_TEST(UpdateCommandTest)
#include "tst_updatecommand.moc"
