#include "window/contentview.h"

#include "controls/horizontaldivider.h"
#include "controls/minimalistbutton.h"
#include "controls/statusbadge.h"
#include "dialogs/alertdialog.h"
#include "dialogs/errordetailssheet.h"
#include "dialogs/manageworkflowssheet.h"
#include "filelist/leftalignedfilelistview.h"
#include "filelist/modernfiledropzone.h"
#include "operations/inlineoperationeditor.h"
#include "operations/operationstackview.h"
#include "operations/systemworkflowlabels.h"
#include "renameengine.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/modernbuttonstyle.h"
#include "style/palettefollower.h"
#include "systemworkflow.h"
#include "window/successoverlay.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int defaultPadding = 16;

// Menu titles shown exactly as written: a "&" is text, never a shortcut marker.
QString literalMenuTitle(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
}

constexpr int sidebarMinimumWidth = 280;
constexpr int sidebarIdealWidth = 320;
constexpr int sidebarMaximumWidth = 400;
// Both columns start with a header of this height, so their dividers line up.
constexpr int headerHeight = 48;

QFrame *verticalDivider(int height, QWidget *parent)
{
    auto *divider = new QFrame(parent);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    divider->setFixedHeight(height);
    return divider;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

// A strip filled with the window background: the command bar and the bottom bar.
QWidget *windowBar(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setAutoFillBackground(true);
    PaletteFollower::follow(bar, [bar] {
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Window, Colors::windowBackground());
        bar->setPalette(palette);
    });
    return bar;
}

// A flat command of the workflow header: a small icon and a caption, both dimmed.
QToolButton *headerCommand(const QString &symbol, const QString &caption, const QString &toolTip,
                           QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const int size = static_cast<int>(Fonts::symbolSize(Fonts::body()));
    PaletteFollower::follow(button, [button, symbol, size] {
        button->setIcon(Icons::icon(symbol, Colors::secondaryText(), size));
        setTextColor(button, Colors::secondaryText());
    });
    button->setIconSize(QSize(size, size));
    button->setText(caption);
    button->setFont(Fonts::caption());
    button->setToolTip(toolTip);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    return button;
}

} // namespace

ContentView::ContentView(RenameEngine *engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_sidebar = buildSidebar();
    m_detail = buildDetail();
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_detail);
    m_splitter->setCollapsible(0, true);
    m_splitter->setCollapsible(1, false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({sidebarIdealWidth, 900 - sidebarIdealWidth});
    connect(m_splitter, &QSplitter::splitterMoved, this, &ContentView::refreshSidebarHandle);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(engine, &RenameEngine::filesChanged, this, &ContentView::refreshFiles);
    connect(engine, &RenameEngine::selectedFilesChanged, this, &ContentView::refreshSelection);
    connect(engine, &RenameEngine::savedWorkflowsChanged, this, &ContentView::rebuildLoadMenu);
    // Whatever wrote the workflows (a save, a rename or a delete in the sheet), the user
    // learns that they are not on disk.
    connect(engine, &RenameEngine::workflowsNotSaved, this, [this](const QString &reason) {
        auto *alert = new AlertDialog(
            QStringLiteral("Could not save workflows"),
            reason + QStringLiteral(" Your workflows are kept until Brisklet quits."), this);
        alert->addButton(QStringLiteral("OK"), AlertDialog::Role::cancel);
        presentAlert(alert);
    });
    // After the stack view has made or dropped its cards.
    connect(engine, &RenameEngine::operationsChanged, this, &ContentView::updateTabOrder);
    updateTabOrder();
    // The history menu opens from the keyboard too.
    m_undoButton->installEventFilter(this);
    refreshFiles();
    refreshSelection();
    rebuildLoadMenu();
}

ContentView::~ContentView()
{
    if (m_busy)
        qApp->removeEventFilter(this);
}

// ---------------------------------------------------------------------------------------
// Layout

QWidget *ContentView::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setMinimumWidth(sidebarMinimumWidth);
    sidebar->setMaximumWidth(sidebarMaximumWidth);

    auto *header = new QWidget(sidebar);
    header->setFixedHeight(headerHeight);
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(defaultPadding, 0, defaultPadding / 2, 0);
    headerRow->setSpacing(8);
    auto *icon = new QLabel(header);
    const int iconSize = static_cast<int>(Fonts::symbolSize(Fonts::title3()));
    PaletteFollower::follow(icon, [icon, iconSize] {
        icon->setPixmap(Icons::icon(QStringLiteral("slider.horizontal.3"), Colors::blue(), iconSize)
                            .pixmap(iconSize, iconSize));
    });
    auto *title = new QLabel(QStringLiteral("Workflow"), header);
    title->setFont(Fonts::headline());
    m_saveButton =
        headerCommand(QStringLiteral("square.and.arrow.down.fill"), QStringLiteral("Save"),
                      QStringLiteral("Save current workflow"), header);
    connect(m_saveButton, &QToolButton::clicked, this, &ContentView::showSaveWorkflow);
    m_loadButton = headerCommand(QStringLiteral("folder.fill"), QStringLiteral("Load"),
                                 QStringLiteral("Load workflow"), header);
    m_loadMenu = new QMenu(m_loadButton);
    connect(m_loadMenu, &QMenu::aboutToShow, this, &ContentView::rebuildLoadMenu);
    m_loadButton->setMenu(m_loadMenu);
    m_loadButton->setPopupMode(QToolButton::InstantPopup);
    headerRow->addWidget(icon);
    headerRow->addWidget(title);
    headerRow->addStretch(1);
    headerRow->addWidget(m_saveButton);
    headerRow->addWidget(verticalDivider(16, header));
    headerRow->addWidget(m_loadButton);

    m_operationStack = new OperationStackView(m_engine, sidebar);

    auto *addArea = new QWidget(sidebar);
    auto *addRow = new QHBoxLayout(addArea);
    addRow->setContentsMargins(defaultPadding, 8, defaultPadding, 8);
    m_addOperationButton = new QPushButton(QStringLiteral("Add Operation"), addArea);
    m_addOperationButton->setToolTip(QStringLiteral("Add another operation to the stack"));
    m_addOperationButton->setFixedHeight(44);
    m_addOperationButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PaletteFollower::follow(m_addOperationButton, [button = m_addOperationButton] {
        button->setIcon(Icons::icon(QStringLiteral("plus.circle"), Colors::secondaryText(),
                                    static_cast<int>(Fonts::symbolSize(Fonts::body()))));
        ModernButtonStyle::apply(button, Colors::secondaryText());
    });
    connect(m_addOperationButton, &QPushButton::clicked, this, [this] {
        m_engine->addOperation();
        // The new card is where the user goes next; its first control is the mode menu.
        // Its layout would show it only later, and a hidden control cannot take focus.
        if (const QList<InlineOperationEditor *> cards = m_operationStack->cards();
            !cards.isEmpty()) {
            cards.last()->show();
            cards.last()->modeMenu()->setFocus(Qt::TabFocusReason);
        }
    });
    addRow->addWidget(m_addOperationButton);

    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addWidget(new HorizontalDivider(sidebar));
    column->addWidget(m_operationStack, 1);
    column->addWidget(new HorizontalDivider(sidebar));
    column->addWidget(addArea);
    return sidebar;
}

QWidget *ContentView::buildDetail()
{
    auto *detail = new QWidget(this);
    m_fileStack = new QStackedWidget(detail);
    m_dropZone = new ModernFileDropZone(m_engine, m_fileStack);
    m_fileList = new LeftAlignedFileListView(m_engine, m_fileStack);
    m_fileStack->addWidget(m_dropZone);
    m_fileStack->addWidget(m_fileList);

    auto *column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeaderBar());
    column->addWidget(new HorizontalDivider(detail));
    column->addWidget(m_fileStack, 1);
    column->addWidget(new HorizontalDivider(detail));
    column->addWidget(buildBottomBar());

    m_overlay = new SuccessOverlay(detail);
    detail->installEventFilter(this);
    return detail;
}

QWidget *ContentView::buildHeaderBar()
{
    QWidget *bar = windowBar(this);

    m_renameAction = new QAction(QStringLiteral("Rename"), this);
    m_renameAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    m_renameAction->setShortcutContext(Qt::WindowShortcut);
    m_renameAction->setToolTip(QStringLiteral("Rename all files (Ctrl+Return)"));
    connect(m_renameAction, &QAction::triggered, this, &ContentView::rename);
    addAction(m_renameAction);

    m_undoAction = new QAction(QStringLiteral("Undo"), this);
    m_undoAction->setToolTip(QStringLiteral("Undo last rename operation (or view history)"));
    connect(m_undoAction, &QAction::triggered, this, &ContentView::undoLast);
    m_undoMenu = new QMenu(this);
    connect(m_undoMenu, &QMenu::aboutToShow, this, &ContentView::rebuildUndoMenu);

    const int size = static_cast<int>(Fonts::symbolSize(Fonts::title3()));
    // The enabled look in its colour, the disabled look in the secondary colour.
    auto commandIcon = [size](const QString &symbol, const QColor &enabled) {
        QIcon icon = Icons::icon(symbol, enabled, size);
        const QIcon dimmed = Icons::icon(symbol, Colors::secondaryText(), size);
        if (!dimmed.isNull())
            icon.addPixmap(dimmed.pixmap(size, size), QIcon::Disabled);
        return icon;
    };
    PaletteFollower::follow(bar, [this, commandIcon] {
        m_renameAction->setIcon(commandIcon(QStringLiteral("paperplane.fill"), Colors::blue()));
        m_undoAction->setIcon(
            commandIcon(QStringLiteral("arrow.uturn.backward.circle"), Colors::primaryText()));
    });
    m_undoButton = new QToolButton(bar);
    m_undoButton->setDefaultAction(m_undoAction);
    m_undoButton->setMenu(m_undoMenu);
    m_undoButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_renameButton = new QToolButton(bar);
    m_renameButton->setDefaultAction(m_renameAction);
    for (QToolButton *button : {m_undoButton, m_renameButton}) {
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(size, size));
        button->setFocusPolicy(Qt::TabFocus);
    }

    // With the sidebar collapsed, this is the visible way back to it.
    m_showSidebarButton = new QToolButton(bar);
    m_showSidebarButton->setObjectName(QStringLiteral("showSidebar"));
    m_showSidebarButton->setAutoRaise(true);
    m_showSidebarButton->setText(QStringLiteral("Show Sidebar"));
    m_showSidebarButton->setToolTip(QStringLiteral("Show the workflow sidebar"));
    m_showSidebarButton->setAccessibleName(QStringLiteral("Show Sidebar"));
    m_showSidebarButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_showSidebarButton->setFocusPolicy(Qt::TabFocus);
    PaletteFollower::follow(m_showSidebarButton, [button = m_showSidebarButton, size] {
        button->setIcon(
            Icons::icon(QStringLiteral("chevron.right"), Colors::secondaryText(), size));
    });
    m_showSidebarButton->setIconSize(QSize(size, size));
    m_showSidebarButton->hide();
    connect(m_showSidebarButton, &QToolButton::clicked, this, &ContentView::toggleSidebar);

    bar->setFixedHeight(headerHeight);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(8);
    row->addWidget(m_showSidebarButton);
    row->addStretch(1);
    row->addWidget(m_undoButton);
    row->addWidget(m_renameButton);
    return bar;
}

QWidget *ContentView::buildBottomBar()
{
    QWidget *bar = windowBar(this);
    bar->setFixedHeight(44);

    m_addButton = new MinimalistButton(
        QStringLiteral("plus.circle.fill"), QStringLiteral("Add"), Colors::blue(),
        [this] { m_engine->browseFiles(); }, bar);
    m_addButton->setToolTip(QStringLiteral("Add files to rename"));
    m_removeButton = new MinimalistButton(
        QStringLiteral("minus.circle.fill"), QStringLiteral("Remove"), Colors::red(),
        [this] { m_engine->removeSelectedFiles(); }, bar);
    m_removeButton->setToolTip(QStringLiteral("Remove selected files"));
    m_clearButton = new MinimalistButton(
        QStringLiteral("xmark.circle.fill"), QStringLiteral("Clear"), Colors::orange(),
        [this] { showClearConfirmation(); }, bar);
    m_clearButton->setToolTip(QStringLiteral("Clear all files"));
    m_deselectDivider = verticalDivider(20, bar);
    m_deselectButton = new MinimalistButton(
        QStringLiteral("checkmark.circle"), QStringLiteral("Deselect All"), Colors::gray(),
        [this] { m_engine->deselectAll(); }, bar);
    m_deselectButton->setToolTip(QStringLiteral("Deselect all files"));

    m_fileCount = new QLabel(bar);

    m_problemButton = new QPushButton(bar);
    m_problemButton->setFlat(true);
    m_problemButton->setToolTip(QStringLiteral("Click to see details"));
    m_problemButton->setCursor(Qt::PointingHandCursor);
    m_problemButton->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; }"));
    auto *badges = new QHBoxLayout(m_problemButton);
    badges->setContentsMargins(0, 0, 0, 0);
    badges->setSpacing(8);
    m_conflictBadge =
        new StatusBadge(QStringLiteral("exclamationmark.triangle.fill"), 0,
                        QStringLiteral("conflict"), Colors::orange(), m_problemButton);
    m_errorBadge = new StatusBadge(QStringLiteral("xmark.circle.fill"), 0, QStringLiteral("error"),
                                   Colors::red(), m_problemButton);
    for (StatusBadge *badge : {m_conflictBadge, m_errorBadge}) {
        badge->setAttribute(Qt::WA_TransparentForMouseEvents);
        badges->addWidget(badge);
    }
    connect(m_problemButton, &QPushButton::clicked, this, &ContentView::showErrorDetails);
    // The accents have a light and a dark variant.
    PaletteFollower::follow(bar, [this] {
        m_addButton->setColor(Colors::blue());
        m_removeButton->setColor(Colors::red());
        m_clearButton->setColor(Colors::orange());
        m_deselectButton->setColor(Colors::gray());
        setTextColor(m_fileCount, Colors::secondaryText());
        m_conflictBadge->setColor(Colors::orange());
        m_errorBadge->setColor(Colors::red());
    });

    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(defaultPadding, 0, defaultPadding, 0);
    row->setSpacing(12);
    auto *commands = new QHBoxLayout;
    commands->setSpacing(8);
    for (QWidget *widget : std::initializer_list<QWidget *>{
             m_addButton, m_removeButton, m_clearButton, m_deselectDivider, m_deselectButton})
        commands->addWidget(widget, 0, Qt::AlignVCenter);
    auto *summary = new QHBoxLayout;
    summary->setSpacing(12);
    summary->addWidget(m_fileCount, 0, Qt::AlignVCenter);
    summary->addWidget(m_problemButton, 0, Qt::AlignVCenter);
    row->addLayout(commands);
    row->addStretch(1);
    row->addLayout(summary);
    return bar;
}

QWidget *ContentView::fileArea() const
{
    return m_fileStack->currentWidget();
}

// ---------------------------------------------------------------------------------------
// Following the engine

void ContentView::refreshFiles()
{
    const qsizetype count = m_engine->files().size();
    m_fileStack->setCurrentWidget(count == 0 ? static_cast<QWidget *>(m_dropZone) : m_fileList);
    m_fileCount->setVisible(count > 0);
    m_fileCount->setText(QStringLiteral("%1 file(s)").arg(count));
    m_clearButton->setEnabled(count > 0);

    const qsizetype conflicts = m_engine->conflictCount();
    const qsizetype errors = m_engine->errorCount();
    m_conflictBadge->setCount(conflicts);
    m_conflictBadge->setVisible(conflicts > 0);
    m_errorBadge->setCount(errors);
    m_errorBadge->setVisible(errors > 0);
    m_problemButton->setVisible(conflicts > 0 || errors > 0);
    m_problemButton->setFixedSize(m_problemButton->layout()->sizeHint());
    refreshCommands();
}

void ContentView::refreshSelection()
{
    const bool any = !m_engine->selectedFiles().isEmpty();
    m_removeButton->setEnabled(any);
    m_deselectDivider->setVisible(any);
    m_deselectButton->setVisible(any);
}

void ContentView::refreshCommands()
{
    const bool canRename = m_engine->hasPendingFiles() && !m_busy;
    const bool canUndo = m_engine->canUndo() && !m_busy;
    m_renameAction->setEnabled(canRename);
    m_undoAction->setEnabled(canUndo);
    // The menu arrow stays usable only while there is history to show.
    m_undoButton->setEnabled(canUndo);
}

void ContentView::rebuildLoadMenu()
{
    m_loadMenu->clear();
    // Clearing the menu leaves its submenus alive, so the one submenu is kept and refilled.
    if (!m_systemWorkflowsMenu)
        m_systemWorkflowsMenu = new QMenu(QStringLiteral("System Workflows"), m_loadMenu);
    QMenu *system = m_systemWorkflowsMenu;
    system->clear();
    m_loadMenu->addMenu(system);
    for (SystemWorkflow workflow : SystemWorkflows::all) {
        QAction *item =
            system->addAction(Icons::icon(SystemWorkflowLabels::iconName(workflow), Colors::blue()),
                              literalMenuTitle(SystemWorkflowLabels::label(workflow)));
        connect(item, &QAction::triggered, this,
                [this, workflow] { m_engine->loadSystemWorkflow(workflow); });
    }
    m_loadMenu->addSeparator();
    const QStringList names = m_engine->savedWorkflowNames();
    if (names.isEmpty()) {
        QAction *none = m_loadMenu->addAction(QStringLiteral("No saved workflows"));
        none->setEnabled(false);
        return;
    }
    for (const QString &name : names) {
        QAction *item =
            m_loadMenu->addAction(Icons::icon(QStringLiteral("doc.text"), Colors::secondaryText()),
                                  literalMenuTitle(name));
        item->setData(name);
        connect(item, &QAction::triggered, this, [this, name] { m_engine->loadWorkflow(name); });
    }
    m_loadMenu->addSeparator();
    QAction *manage = m_loadMenu->addAction(QStringLiteral("Manage Workflows..."));
    connect(manage, &QAction::triggered, this, &ContentView::showManageWorkflows);
}

void ContentView::rebuildUndoMenu()
{
    m_undoMenu->clear();
    const QList<UndoOperation> &history = m_engine->undoStack();
    for (qsizetype i = 0; i < history.size(); ++i) {
        QAction *item = m_undoMenu->addAction(
            QStringLiteral("Undo: %1 file(s)").arg(history[i].renames.size()));
        connect(item, &QAction::triggered, this, [this, i] { undoFromHistory(i); });
    }
}

// ---------------------------------------------------------------------------------------
// Commands

void ContentView::rename()
{
    if (m_busy || !m_engine->hasPendingFiles())
        return;
    if (!m_engine->hasChanges()) {
        auto *alert = new AlertDialog(
            QStringLiteral("No Changes to Apply"),
            QStringLiteral("The current workflow would not change any filenames. All "
                           "files already have the resulting names."),
            this);
        alert->addButton(QStringLiteral("OK"), AlertDialog::Role::cancel);
        presentAlert(alert);
        return;
    }
    const qsizetype problems = m_engine->conflictCount() + m_engine->errorCount();
    if (problems > 0) {
        auto *alert = new AlertDialog(
            QStringLiteral("Proceed with Warnings?"),
            QStringLiteral("There are %1 file(s) with conflicts or errors. Only files "
                           "without issues will be renamed. Do you want to proceed?")
                .arg(problems),
            this);
        alert->addButton(QStringLiteral("Cancel"), AlertDialog::Role::cancel);
        alert->addButton(QStringLiteral("Rename Anyway"), AlertDialog::Role::destructive,
                         [this] { performAndReport(); });
        presentAlert(alert);
        return;
    }
    performAndReport();
}

template <typename Work> auto ContentView::withProgress(const QString &label, Work work)
{
    // The moves run here, in order, on this thread. While they run the window takes no
    // other command; a batch that lasts shows how far it got. The commands are disabled
    // meanwhile, which takes the keyboard focus from them: it comes back afterwards, so
    // that a second undo from the keyboard reaches the Undo control again.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    m_busy = true;
    qApp->installEventFilter(this);
    refreshCommands();
    Q_EMIT busyChanged(true);

    QProgressDialog *progress = nullptr;
    QElapsedTimer clock;
    clock.start();
    auto report = [&](qsizetype done, qsizetype total) {
        if (!progress) {
            if (clock.elapsed() < progressDelayMilliseconds || done >= total)
                return;
            progress = new QProgressDialog(label, QString(), 0, static_cast<int>(total), window());
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setCancelButton(nullptr);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
            progress->show();
        }
        progress->setLabelText(QStringLiteral("%1 %2 of %3").arg(label).arg(done).arg(total));
        progress->setValue(static_cast<int>(done));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const auto result = work(report);
    if (progress) {
        delete progress;
        reactivateWindow();
    }

    qApp->removeEventFilter(this);
    m_busy = false;
    refreshCommands();
    Q_EMIT busyChanged(false);
    if (focused && focused->isEnabled() && focused->isVisible())
        focused->setFocus(Qt::OtherFocusReason);
    return result;
}

void ContentView::performAndReport()
{
    if (m_busy)
        return;
    const auto [renamed, failed] =
        withProgress(QStringLiteral("Renaming files…"),
                     [this](auto &report) { return m_engine->performRename(report); });
    QString message = QStringLiteral("Renamed %1 file(s)").arg(renamed);
    if (failed >= 1)
        message += QStringLiteral(", %1 failed").arg(failed);
    showSuccess(message);
}

void ContentView::undoLast()
{
    if (m_busy || !m_engine->canUndo())
        return;
    const bool undone = withProgress(QStringLiteral("Undoing…"), [this](auto &report) {
        return m_engine->undoLastRename(report);
    });
    if (undone)
        showSuccess(QStringLiteral("Successfully undid last rename operation"));
}

void ContentView::undoFromHistory(qsizetype index)
{
    if (m_busy || index >= m_engine->undoStack().size())
        return;
    const bool undone = withProgress(QStringLiteral("Undoing…"), [this, index](auto &report) {
        return m_engine->undoRename(index, report);
    });
    if (undone)
        showSuccess(QStringLiteral("Successfully undid rename operation"));
}

void ContentView::showSuccess(const QString &message)
{
    m_successMessage = message;
    m_overlay->setMessage(message);
    m_showSuccessOverlay = true;
    m_overlay->present();
    // Each notice schedules its own hide; a later notice does not cancel an earlier one.
    QTimer::singleShot(successMilliseconds, this, [this] {
        m_showSuccessOverlay = false;
        m_overlay->dismiss();
    });
}

void ContentView::showClearConfirmation()
{
    auto *alert =
        new AlertDialog(QStringLiteral("Clear All Files?"),
                        QStringLiteral("This will remove all %1 file(s) from the list. This action "
                                       "cannot be undone.")
                            .arg(m_engine->files().size()),
                        this);
    alert->addButton(QStringLiteral("Cancel"), AlertDialog::Role::cancel);
    alert->addButton(QStringLiteral("Clear"), AlertDialog::Role::destructive,
                     [this] { m_engine->clearAll(); });
    presentAlert(alert);
}

void ContentView::showSaveWorkflow()
{
    auto *alert = new AlertDialog(QStringLiteral("Save Workflow"),
                                  QStringLiteral("Enter a name for this workflow"), this);
    QLineEdit *field = alert->addTextField(QStringLiteral("Workflow Name"));
    field->setText(m_workflowName);
    connect(field, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_workflowName = text; });
    alert->addButton(QStringLiteral("Cancel"), AlertDialog::Role::cancel,
                     [this] { m_workflowName.clear(); });
    alert->addButton(QStringLiteral("Save"), AlertDialog::Role::normal,
                     [this] { saveFlow(m_workflowName); });
    presentAlert(alert);
}

void ContentView::saveFlow(const QString &name)
{
    // The name exactly as typed: no trimming. An empty one saves nothing.
    if (name.isEmpty())
        return;
    if (m_engine->hasSavedWorkflow(name)) {
        auto *alert =
            new AlertDialog(QStringLiteral("Workflow Exists"),
                            QStringLiteral("A workflow named '") + name +
                                QStringLiteral("' already exists. Do you want to overwrite it?"),
                            this);
        alert->addButton(QStringLiteral("Cancel"), AlertDialog::Role::cancel,
                         [this] { m_workflowName.clear(); });
        alert->addButton(QStringLiteral("Overwrite"), AlertDialog::Role::destructive,
                         [this] { overwriteFlow(); });
        presentAlert(alert);
        return;
    }
    if (m_engine->saveWorkflow(name))
        showSuccess(QStringLiteral("Workflow '") + name + QStringLiteral("' saved"));
    m_workflowName.clear();
}

void ContentView::overwriteFlow()
{
    const QString name = m_workflowName;
    if (m_engine->saveWorkflow(name))
        showSuccess(QStringLiteral("Workflow '") + name + QStringLiteral("' saved"));
    m_workflowName.clear();
}

void ContentView::showErrorDetails()
{
    if (m_errorSheet)
        return;
    m_errorSheet = new ErrorDetailsSheet(m_engine, this);
    m_errorSheet->setAttribute(Qt::WA_DeleteOnClose);
    reactivateWindowWhenClosed(m_errorSheet);
    m_errorSheet->open();
}

void ContentView::showManageWorkflows()
{
    if (m_manageSheet)
        return;
    m_manageSheet = new ManageWorkflowsSheet(m_engine, this);
    m_manageSheet->setAttribute(Qt::WA_DeleteOnClose);
    reactivateWindowWhenClosed(m_manageSheet);
    m_manageSheet->open();
}

void ContentView::toggleSidebar()
{
    QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (sizes.value(0) > 0) {
        m_sidebarWidth = sizes.value(0);
        m_splitter->setSizes({0, total});
    } else {
        m_splitter->setSizes({m_sidebarWidth, total - m_sidebarWidth});
    }
    refreshSidebarHandle();
}

bool ContentView::isSidebarCollapsed() const
{
    return m_splitter->sizes().value(0) == 0;
}

void ContentView::refreshSidebarHandle()
{
    m_showSidebarButton->setVisible(isSidebarCollapsed());
}

void ContentView::presentAlert(AlertDialog *alert)
{
    m_alert = alert;
    reactivateWindowWhenClosed(alert);
    alert->open();
}

void ContentView::reactivateWindowWhenClosed(QDialog *dialog)
{
    // A dialog that the closing one opens next takes activation for itself when it shows.
    connect(dialog, &QDialog::finished, this, &ContentView::reactivateWindow);
}

void ContentView::reactivateWindow()
{
    // Not every window manager hands activation back to the window under a closed dialog,
    // and without it the window's shortcuts (Ctrl+Return) stop working.
    window()->activateWindow();
}

// ---------------------------------------------------------------------------------------
// Events

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    // Keyboard users start where the work starts: the first field of the first step.
    for (QLineEdit *field : m_operationStack->findChildren<QLineEdit *>()) {
        if (field->isVisibleTo(m_operationStack)) {
            field->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void ContentView::updateTabOrder()
{
    // Screen order: the sidebar from the top of the stack down, the list, the bottom bar,
    // then the commands above the list. Hidden and disabled controls are passed over.
    QList<QWidget *> chain;
    for (InlineOperationEditor *card : m_operationStack->cards()) {
        for (QWidget *control : card->findChildren<QWidget *>()) {
            if (control->focusPolicy() & Qt::TabFocus)
                chain.append(control);
        }
    }
    chain += {m_addOperationButton, m_saveButton,        m_loadButton,  m_fileList,
              m_addButton,          m_removeButton,      m_clearButton, m_deselectButton,
              m_problemButton,      m_showSidebarButton, m_undoButton,  m_renameButton};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void ContentView::openUndoHistory()
{
    if (!m_undoButton->isEnabled())
        return;
    m_undoMenu->popup(m_undoButton->mapToGlobal(QPoint(0, m_undoButton->height())));
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_undoButton && event->type() == QEvent::KeyPress && !m_busy) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) ||
            (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier)) {
            openUndoHistory();
            return true;
        }
    }
    if (watched == m_detail && event->type() == QEvent::Resize && m_overlay->isVisible())
        m_overlay->reposition();
    if (m_busy) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::Drop:
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
