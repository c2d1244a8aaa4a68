#include "testmain.h"

#include "controls/choicemenubutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "filelist/leftalignedfilelistview.h"
#include "operations/inlineoperationeditor.h"
#include "operations/operationstackview.h"
#include "uitesthelpers.h"
#include "window/contentview.h"
#include "window/renamecommands.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <qtestspontaneevent.h>
#include <QWheelEvent>

namespace {

// One wheel notch as the window system delivers it: to the window, then under the pointer.
void wheelNotch(QWidget *window, QPoint windowPos, int direction)
{
    QWheelEvent event(QPointF(windowPos), QPointF(window->mapToGlobal(windowPos)), QPoint(),
                      QPoint(0, 120 * direction), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    // sendEvent would mark it as the program's own event, which never propagates.
    qApp->notify(window->windowHandle(), &event);
}

bool changesData(const QWidget *widget)
{
    return qobject_cast<const QComboBox *>(widget) ||
           qobject_cast<const QAbstractSpinBox *>(widget) ||
           qobject_cast<const QLineEdit *>(widget) || qobject_cast<const Stepper *>(widget) ||
           qobject_cast<const SegmentedControl *>(widget) ||
           qobject_cast<const ToggleSwitch *>(widget) ||
           qobject_cast<const ChoiceMenuButton *>(widget);
}

// A shown window with `files` files. With `everyMode` its sidebar holds one card of every
// mode; otherwise a batch has run (so Undo has a history) and a sequence card follows.
struct Window {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    std::unique_ptr<ContentView> view;

    explicit Window(bool everyMode = false, int files = 4)
    {
        engine->addFiles(UiTest::numberedUrls(files));
        view = std::make_unique<ContentView>(engine.get());
        QList<RenameMode> modes{RenameMode::prepend, RenameMode::sequence};
        if (everyMode)
            modes = QList<RenameMode>(EnumCases<RenameMode>::all.begin(),
                                      EnumCases<RenameMode>::all.end());
        for (qsizetype i = 0; i < modes.size(); ++i) {
            if (i > 0)
                engine->addOperation();
            RenameOperationWrapper operation = engine->operations().at(i);
            operation.mode = modes[i];
            operation.prependText = u"x"_qs;
            operation.trimType = TrimType::customCharacters;
            engine->setOperation(i, operation);
            if (i == 0 && !everyMode) {
                engine->updatePreview();
                view->renameCommands()->performAndReport();
                QVERIFY(UiTest::finishBatch(*engine));
            }
        }
        engine->updatePreview();
        view->resize(900, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
    }

    OperationStackView *stack() const { return view->findChild<OperationStackView *>(); }
    LeftAlignedFileListView *list() const { return view->findChild<LeftAlignedFileListView *>(); }
    QWidget *control(const QString &name) const { return UiTest::child(view.get(), name); }
    QWidget *undoButton() const { return control(u"undoButton"_qs); }
};

// The widgets Tab visits from `start` until it comes back round.
QList<QWidget *> tabChain(QWidget *start)
{
    QList<QWidget *> stops;
    start->setFocus(Qt::TabFocusReason);
    QWidget *current = QApplication::focusWidget();
    while (current && !stops.contains(current) && stops.size() < 200) {
        stops.append(current);
        QTest::keyClick(current, Qt::Key_Tab);
        current = QApplication::focusWidget();
    }
    return stops;
}

} // namespace

class InputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wheelOverAControlScrollsTheSidebar()
    {
        Window window(true);
        OperationStackView *stack = window.stack();
        QScrollBar *scroll = stack->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        const QList<RenameOperationWrapper> before = window.engine->operations();

        int tried = 0;
        for (QWidget *control : stack->widget()->findChildren<QWidget *>()) {
            if (!changesData(control) || !control->isVisible())
                continue;
            if (QWidget *focused = QApplication::focusWidget())
                focused->clearFocus();
            stack->ensureWidgetVisible(control);
            const int start = scroll->value();
            const int direction = start == scroll->maximum() ? 1 : -1;
            const QPoint centre = control->mapTo(window.view.get(), control->rect().center());
            QWidget *under = window.view->childAt(centre);
            QVERIFY(under == control || control->isAncestorOf(under));
            wheelNotch(window.view.get(), centre, direction);
            QVERIFY2(window.engine->operations() == before && scroll->value() != start,
                     qPrintable(control->objectName()));
            ++tried;
        }
        QVERIFY(tried >= int(EnumCases<RenameMode>::all.size()) * 2);

        // The mode menu that has focus takes the wheel: the user is choosing.
        auto *modes = stack->findChild<QComboBox *>(u"mode"_qs);
        stack->ensureWidgetVisible(modes);
        modes->setFocus(Qt::TabFocusReason);
        wheelNotch(window.view.get(), modes->mapTo(window.view.get(), modes->rect().center()), -1);
        QVERIFY(window.engine->operations().first().mode != before.first().mode);
    }

    void tabFollowsTheScreenAndEveryStopShowsFocus()
    {
        Window window;
        ContentView *view = window.view.get();
        const QList<InlineOperationEditor *> cards = window.stack()->cards();
        const QList<QWidget *> stops = tabChain(cards.first()->modeMenu());

        // In order, with other stops allowed in between.
        QList<QWidget *> expected{cards[0]->modeMenu(), cards[1]->modeMenu()};
        for (const QString &name :
             {u"addOperationButton"_qs, u"saveWorkflowButton"_qs, u"loadWorkflowButton"_qs,
              u"fileList"_qs, u"addFilesButton"_qs, u"clearFilesButton"_qs})
            expected.append(window.control(name));
        qsizetype at = -1;
        for (QWidget *widget : expected) {
            const qsizetype found = stops.indexOf(widget);
            QVERIFY2(found > at, qPrintable(widget->objectName()));
            at = found;
        }
        QVERIFY(stops.indexOf(window.undoButton()) > at); // the commands above the list last
        // The history's arrow is a stop of its own, right after Undo.
        QCOMPARE(stops.indexOf(window.control(u"undoHistoryButton"_qs)),
                 stops.indexOf(window.undoButton()) + 1);

        for (QWidget *stop : stops) {
            stop->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            const QImage focused = stop->grab().toImage();
            view->setFocus(Qt::OtherFocusReason);
            QApplication::processEvents();
            const QImage unfocused = stop->grab().toImage();
            QVERIFY2(focused != unfocused, qPrintable(stop->objectName()));
        }
    }

    void newCardIsShownWithItsModeMenuFocused()
    {
        Window window;
        QWidget *add = window.control(u"addOperationButton"_qs);
        for (int i = 0; i < 4; ++i) {
            add->setFocus(Qt::TabFocusReason);
            QTest::keyClick(add, Qt::Key_Space);
        }
        InlineOperationEditor *card = window.stack()->cards().last();
        QVERIFY(card->modeMenu()->hasFocus());
        QWidget *viewport = window.stack()->viewport();
        QTRY_VERIFY(viewport->rect().contains(
            QRect(card->modeMenu()->mapTo(viewport, QPoint(0, 0)), card->modeMenu()->size())));
        // Tab goes on to the next stop below it, not back to the top.
        const QList<QWidget *> stops = tabChain(card->modeMenu());
        QVERIFY(stops.indexOf(add) > 0);
        QVERIFY(stops.indexOf(window.stack()->cards().first()->modeMenu()) > stops.indexOf(add));
    }

    // Tab reaches the list after the commands above it, on its first row.
    void tabReachesTheFileList()
    {
        Window window;
        window.control(u"loadWorkflowButton"_qs)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window.list());
        QCOMPARE(window.list()->currentIndex().row(), 0);
    }

    void addedFilesAreScrolledIntoView()
    {
        Window window(false, 40);
        LeftAlignedFileListView *list = window.list();
        list->scrollToTop();
        window.engine->addFiles(UiTest::urlsFor({u"new 1.txt"_qs, u"new 2.txt"_qs}));
        for (int row : {40, 41})
            QVERIFY(
                list->viewport()->rect().contains(list->visualRect(list->model()->index(row, 0))));
    }
};

BRISKLET_TEST(InputTest)
#include "tst_input.moc"
