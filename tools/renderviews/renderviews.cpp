#include "controls/minimalistbutton.h"
#include "controls/statusbadge.h"
#include "dialogs/alertdialog.h"
#include "dialogs/errordetailssheet.h"
#include "dialogs/manageworkflowssheet.h"
#include "filelist/leftalignedfilelistview.h"
#include "filelist/modernfiledropzone.h"
#include "operations/inlineoperationeditor.h"
#include "operations/operationstackmodel.h"
#include "operations/operationstackview.h"
#include "operations/optionlabel.h"
#include "style/colors.h"
#include "style/icons.h"
#include "style/modernbuttonstyle.h"
#include "style/roundedtextfieldstyle.h"
#include "uitesthelpers.h"
#include "window/contentview.h"
#include "window/windowpresenter.h"
#include "workflows/systemworkflow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace UiTest;

// Renders the views to PNG files for people to look at, only when BRISKLET_SHOTS_DIR names
// the folder (scripts/render-views sets it). Skips per function: a skipped initTestCase
// would keep the classes run after this one from running.
class RenderTest : public QObject {
    Q_OBJECT

    QDir m_folder{qEnvironmentVariable("BRISKLET_SHOTS_DIR")};

    bool off() const { return qEnvironmentVariableIsEmpty("BRISKLET_SHOTS_DIR"); }

    void save(QWidget *widget, const QString &name)
    {
        QVERIFY(m_folder.mkpath(u"."_qs));
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget));
        QTest::qWait(50);
        const QString path = m_folder.filePath(name + u".png"_qs);
        QVERIFY2(widget->grab().save(path), qPrintable(path));
    }

    // A window-coloured frame with room around the content, as it would sit in the window.
    void saveFramed(QWidget *content, int width, const QString &name)
    {
        QWidget frame;
        frame.setAutoFillBackground(true);
        (new QVBoxLayout(&frame))->addWidget(content);
        frame.layout()->setContentsMargins(20, 20, 20, 20);
        frame.setFixedWidth(width);
        frame.adjustSize();
        save(&frame, name);
    }

    // Pending, conflict and error rows; renaming turns the pending ones into successes and
    // the "locked" one into a failed move.
    static void mixedList(RenameEngine &engine)
    {
        engine.addFiles(
            urlsFor({u"IMG_0001.JPG"_qs,
                     u"A very long file name that goes on and on for quite a while, "
                     "draft 12 of the annual report, IMG final.pdf"_qs,
                     u"IMG_0003.png"_qs, u"Photo_0003.png"_qs, u"meeting: IMG notes.md"_qs,
                     u"locked IMG clip.mov"_qs, u"IMG song.flac"_qs, u"README"_qs}));
        editFirstOperation(engine, [](RenameOperationWrapper &operation) {
            operation.findText = u"IMG"_qs;
            operation.replaceText = u"Photo"_qs;
        });
    }

private Q_SLOTS:
    void views()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        auto engine = makeEngine();
        mixedList(*engine);
        for (const QString &name : {u"list"_qs, u"list-after-rename"_qs}) {
            LeftAlignedFileListView list(engine.get());
            list.resize(900, 9 * 53);
            save(&list, name);
            engine->performRename();
        }
        ModernFileDropZone zone(engine.get());
        zone.resize(640, 520);
        save(&zone, u"dropzone"_qs);
    }

    void controls()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        auto *content = new QWidget;
        auto *column = new QVBoxLayout(content);
        auto *row = new QHBoxLayout;
        for (const bool hovered : {false, true}) {
            auto *add = new MinimalistButton(u"plus.circle.fill"_qs, u"Add"_qs, Colors::blue());
            add->setHoveredImmediately(hovered);
            row->addWidget(add);
        }
        auto *remove = new MinimalistButton(u"minus.circle.fill"_qs, u"Remove"_qs, Colors::red());
        remove->setEnabled(false);
        row->addWidget(remove);
        row->addWidget(new StatusBadge(u"exclamationmark.triangle.fill"_qs, 3, u"conflict"_qs,
                                       Colors::orange()));
        row->addWidget(new StatusBadge(u"xmark.circle.fill"_qs, 12, u"error"_qs, Colors::red()));
        row->addStretch(1);
        column->addLayout(row);
        auto *button = new QPushButton(u"Add Operation"_qs);
        button->setIcon(Icons::icon(u"plus.circle"_qs, Colors::secondaryText()));
        ModernButtonStyle::apply(button, Colors::secondaryText());
        column->addWidget(button);
        column->addWidget(new OptionLabel(u"Replace With"_qs));
        auto *field = new QLineEdit;
        field->setPlaceholderText(u"Text to find"_qs);
        RoundedTextFieldStyle::apply(field);
        column->addWidget(field);
        saveFramed(content, 520, u"controls"_qs);
    }

    void operationCards()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        auto engine = makeEngine();
        engine->addOperation();
        OperationStackModel steps(engine.get());
        for (const RenameMode mode : EnumCases<RenameMode>::all) {
            RenameOperationWrapper operation;
            operation.mode = mode;
            engine->setOperation(1, operation);
            saveFramed(new InlineOperationEditor(&steps, 1), 340, u"card-"_qs + rawValue(mode));
        }
    }

    void window()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        const auto engine = makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        save(&view, u"window-empty"_qs);
        mixedList(*engine);
        engine->toggleSelection(engine->files().at(1).id);
        save(&view, u"window-mixed-list"_qs);
        view.findChild<WindowPresenter *>()->showSuccess(u"Renamed 3 file(s), 1 failed"_qs);
        QTest::qWait(600);
        save(&view, u"window-success-overlay"_qs);
    }

    void darkWindow()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        // Every colour that is not an accent must follow a dark desktop palette.
        const QPalette previous = QApplication::palette();
        QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
        dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        QApplication::setPalette(dark);
        {
            const auto engine = makeEngine();
            ContentView view(engine.get());
            view.resize(900, 600);
            mixedList(*engine);
            save(&view, u"window-dark"_qs);
        }
        QApplication::setPalette(previous);
    }

    // Each look that the keyboard, feedback and palette work changed, at the usual and the
    // smallest window size, light and dark.
    void changedStates_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("dark");
        for (const QSize size : {QSize(900, 600), QSize(700, 500)}) {
            for (const bool dark : {false, true}) {
                QTest::addRow("%dx%d-%s", size.width(), size.height(), dark ? "dark" : "light")
                    << size << dark;
            }
        }
    }

    void changedStates()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        QFETCH(QSize, size);
        QFETCH(bool, dark);
        const QString prefix = u"state-%1x%2-%3-"_qs.arg(size.width())
                                   .arg(size.height())
                                   .arg(dark ? u"dark"_qs : u"light"_qs);
        const QPalette previous = QApplication::palette();
        QPalette darkPalette(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
        darkPalette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        darkPalette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        darkPalette.setColor(QPalette::AlternateBase, QColor(0x3a, 0x3a, 0x3a));

        const auto engine = makeEngine();
        ContentView view(engine.get());
        view.resize(size);
        mixedList(*engine);
        save(&view, prefix + u"list-started-light"_qs);
        if (dark) {
            QApplication::setPalette(darkPalette); // switched while running
            save(&view, prefix + u"list-switched"_qs);
        }
        auto *list = view.findChild<LeftAlignedFileListView *>();
        list->setFocus(Qt::TabFocusReason);
        list->setCurrentIndex(list->model()->index(2, 0));
        save(&view, prefix + u"list-focus"_qs);

        engine->loadSystemWorkflow(SystemWorkflow::webSafeNames);
        engine->addOperation();
        RenameOperationWrapper sequence = engine->operations().last();
        sequence.mode = RenameMode::sequence;
        sequence.sequencePadding = 10;
        engine->setOperation(engine->operations().size() - 1, sequence);
        engine->updatePreview();
        QTest::qWait(50);
        if (auto *stepper =
                view.findChild<OperationStackView *>()->cards().last()->findChild<QWidget *>(
                    u"sequencePadding"_qs)) {
            view.findChild<OperationStackView *>()->ensureWidgetVisible(stepper);
            stepper->setFocus(Qt::TabFocusReason);
        }
        save(&view, prefix + u"spaces-and-stepper"_qs);
        view.findChild<OperationStackView *>()->ensureWidgetVisible(
            view.findChild<OperationStackView *>()->cards().at(1));
        view.findChild<OperationStackView *>()->cards().at(1)->modeMenu()->setFocus(
            Qt::TabFocusReason);
        save(&view, prefix + u"spaces"_qs);

        engine->addOperation();
        RenameOperationWrapper info = engine->operations().last();
        info.mode = RenameMode::fileInfo;
        info.infoField = FileInfoField::dateModified;
        engine->setOperation(engine->operations().size() - 1, info);
        engine->updatePreview();
        QTest::qWait(50);
        auto *stack = view.findChild<OperationStackView *>();
        InlineOperationEditor *card = stack->cards().constLast();
        stack->ensureWidgetVisible(card, 0, 0);
        card->findChild<QWidget *>(u"infoDatePresets"_qs)->setFocus(Qt::TabFocusReason);
        save(&view, prefix + u"file-info"_qs);

        view.toggleSidebar();
        save(&view, prefix + u"sidebar-collapsed"_qs);
        QApplication::setPalette(previous);
    }

    void dialogs()
    {
        if (off())
            QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
        const auto engine = makeEngine();
        ContentView view(engine.get());
        view.resize(900, 600);
        view.show();
        mixedList(*engine);
        child<QAbstractButton>(&view, u"clearFilesButton"_qs)->click();
        save(shownAlert(&view), u"alert-clear"_qs);
        shownAlert(&view)->press(u"Cancel"_qs);
        action(&view, u"renameAction"_qs)->trigger();
        save(shownAlert(&view), u"alert-warnings"_qs);
        shownAlert(&view)->press(u"Cancel"_qs);
        for (const QString &shot : {u"alert-save-workflow"_qs, u"alert-workflow-exists"_qs}) {
            child<QToolButton>(&view, u"saveWorkflowButton"_qs)->click();
            shownAlert(&view)->textField()->setText(u"Holiday"_qs);
            if (engine->hasSavedWorkflow(u"Holiday"_qs))
                shownAlert(&view)->press(u"Save"_qs);
            save(shownAlert(&view), shot);
            shownAlert(&view)->press(shownAlert(&view)->buttons().last()->text());
        }
        engine->clearAll();
        engine->addFiles(urlsFor({u"same.txt"_qs}));
        engine->removeOperation(0);
        action(&view, u"renameAction"_qs)->trigger();
        save(shownAlert(&view), u"alert-no-changes"_qs);
        shownAlert(&view)->press(u"OK"_qs);

        ErrorDetailsSheet errors(engine.get());
        engine->clearAll();
        engine->addOperation();
        mixedList(*engine);
        save(&errors, u"sheet-error-details"_qs);
        // A long name is shortened in its row, and the row's buttons stay in view.
        const QString longName =
            u"Holiday photos from the camera and the phone, "_qs.repeated(6) + u"2026"_qs;
        for (const QString &name : {u"Photos by date"_qs, u"Web names"_qs, longName})
            engine->saveWorkflow(name);
        ManageWorkflowsSheet manage(engine.get());
        save(&manage, u"sheet-manage-workflows"_qs);
    }
};

QTEST_MAIN(RenderTest)
#include "renderviews.moc"
