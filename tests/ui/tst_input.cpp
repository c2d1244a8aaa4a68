#include "testregistry.h"

#include "choicemenubutton.h"
#include "contentview.h"
#include "operationstackview.h"
#include "segmentedcontrol.h"
#include "stepper.h"
#include "toggleswitch.h"
#include "uitesthelpers.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <qtestspontaneevent.h>
#include <QWheelEvent>

namespace {

// One notch of a mouse wheel at a point of the window, delivered as the window system
// delivers it: to the window, which hands it to the widget under the pointer and, when
// that widget ignores it, on to its parents.
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

// A window whose sidebar holds one card of every mode, so every kind of control is there.
struct Window {
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    std::unique_ptr<ContentView> view;

    Window()
    {
        qsizetype i = 0;
        for (RenameMode mode : EnumCases<RenameMode>::all) {
            if (i > 0)
                engine->addOperation();
            RenameOperationWrapper operation = engine->operations().at(i);
            operation.mode = mode;
            operation.trimType = TrimType::customCharacters;
            engine->setOperation(i++, operation);
        }
        engine->addFiles(UiTest::numberedUrls(3));
        engine->updatePreview();
        view = std::make_unique<ContentView>(engine.get());
        view->resize(900, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
};

} // namespace

class InputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wheelOverAControlScrollsTheSidebar()
    {
        Window window;
        OperationStackView *stack = window.view->operationStack();
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
            QVERIFY2(window.engine->operations() == before,
                     qPrintable(control->objectName() + u" changed the stack"_qs));
            QVERIFY2(scroll->value() != start,
                     qPrintable(control->objectName() + u" kept the wheel"_qs));
            ++tried;
        }
        QVERIFY(tried >= int(EnumCases<RenameMode>::all.size()) * 2);
    }

    void wheelStepsTheModeMenuThatHasFocus()
    {
        Window window;
        auto *modes = window.view->operationStack()->findChild<QComboBox *>(u"mode"_qs);
        window.view->operationStack()->ensureWidgetVisible(modes);
        modes->setFocus(Qt::TabFocusReason);
        const RenameMode before = window.engine->operations().first().mode;
        wheelNotch(window.view.get(), modes->mapTo(window.view.get(), modes->rect().center()), -1);
        QVERIFY(window.engine->operations().first().mode != before);
    }
};

BRISKLET_TEST(InputTest)
#include "tst_input.moc"
