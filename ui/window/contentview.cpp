#include "window/contentview.h"

#include "controls/horizontaldivider.h"
#include "filelist/filelistmodel.h"
#include "filelist/leftalignedfilelistview.h"
#include "filelist/modernfiledropzone.h"
#include "operations/operationstackview.h"
#include "renameengine.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/palettefollower.h"
#include "window/filelistbar.h"
#include "window/renamecommands.h"
#include "window/successoverlay.h"
#include "window/windowbars.h"
#include "window/windowpresenter.h"
#include "window/workflowpanel.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int sidebarIdealWidth = 320;
}

ContentView::ContentView(RenameEngine *engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    // A screen reader announces the pane when focus enters either side.
    m_splitter->setAccessibleName(tr("Workflows and Files"));
    m_splitter->setChildrenCollapsible(false);
    // The detail comes first: it holds the notice the presenter shows, and the presenter
    // comes before the parts that present.
    QWidget *detail = buildDetail();
    m_workflowPanel = new WorkflowPanel(engine, m_presenter, this);
    m_workflowPanel->setObjectName(QStringLiteral("workflowPanel"));
    m_splitter->addWidget(m_workflowPanel);
    m_splitter->addWidget(detail);
    m_splitter->setCollapsible(0, true);
    m_splitter->setCollapsible(1, false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({sidebarIdealWidth, 900 - sidebarIdealWidth});
    connect(m_splitter, &QSplitter::splitterMoved, this, &ContentView::followSidebarWidth);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    // The drop zone stands in for the list while it has no rows.
    const FileListModel *rows = m_fileList->fileModel();
    connect(rows, &QAbstractItemModel::rowsInserted, this, &ContentView::followFiles);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &ContentView::followFiles);
    connect(rows, &QAbstractItemModel::modelReset, this, &ContentView::followFiles);
    // After the stack view has made or dropped its cards.
    connect(engine, &RenameEngine::operationsChanged, this, &ContentView::updateTabOrder);
    updateTabOrder();
    followFiles();
}

QWidget *ContentView::buildDetail()
{
    auto *detail = new QWidget(this);
    auto *overlay = new SuccessOverlay(detail);
    overlay->setObjectName(QStringLiteral("successOverlay"));
    m_presenter = new WindowPresenter(m_engine, this, overlay);
    m_commands = new RenameCommands(m_engine, m_presenter, this);

    m_fileStack = new QStackedWidget(detail);
    m_dropZone = new ModernFileDropZone(m_engine, m_fileStack);
    m_fileList = new LeftAlignedFileListView(m_engine, m_fileStack);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_dropZone->setObjectName(QStringLiteral("dropZone"));
    m_fileStack->addWidget(m_dropZone);
    m_fileStack->addWidget(m_fileList);
    m_fileListBar = new FileListBar(m_engine, m_presenter, detail);
    m_fileListBar->setObjectName(QStringLiteral("fileListBar"));

    auto *column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildCommandBar());
    column->addWidget(new HorizontalDivider(detail));
    column->addWidget(m_fileStack, 1);
    column->addWidget(new HorizontalDivider(detail));
    column->addWidget(m_fileListBar);
    overlay->raise();
    return detail;
}

QWidget *ContentView::buildCommandBar()
{
    QWidget *bar = WindowBars::windowBar(this);
    const int size = static_cast<int>(Fonts::symbolSize(Fonts::title3()));
    // The enabled look in its colour, the disabled look in the secondary colour.
    auto commandIcon = [size](const QString &symbol, const QColor &enabled) {
        QIcon icon = Icons::icon(symbol, enabled, size);
        const QIcon dimmed = Icons::icon(symbol, Colors::secondaryText(), size);
        if (!dimmed.isNull())
            icon.addPixmap(dimmed.pixmap(size, size), QIcon::Disabled);
        return icon;
    };
    PaletteFollower::follow(bar, [commands = m_commands, commandIcon] {
        commands->renameAction()->setIcon(
            commandIcon(QStringLiteral("paperplane.fill"), Colors::blue()));
        commands->undoAction()->setIcon(
            commandIcon(QStringLiteral("arrow.uturn.backward.circle"), Colors::primaryText()));
    });
    m_undoButton = new QToolButton(bar);
    m_undoButton->setObjectName(QStringLiteral("undoButton"));
    m_undoHistoryButton = new QToolButton(bar);
    m_undoHistoryButton->setObjectName(QStringLiteral("undoHistoryButton"));
    m_undoHistoryButton->setAutoRaise(true);
    m_undoHistoryButton->setFocusPolicy(Qt::TabFocus);
    // The arrow is the icon; the style's own menu indicator would draw a second one.
    m_undoHistoryButton->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    PaletteFollower::follow(m_undoHistoryButton, [button = m_undoHistoryButton, size] {
        const QIcon icon = Icons::icon(QStringLiteral("chevron.down"), Colors::primaryText(), size);
        QIcon withDimmed = icon;
        const QIcon dimmed =
            Icons::icon(QStringLiteral("chevron.down"), Colors::secondaryText(), size);
        if (!dimmed.isNull())
            withDimmed.addPixmap(dimmed.pixmap(size, size), QIcon::Disabled);
        button->setIcon(withDimmed);
    });
    m_undoHistoryButton->setIconSize(QSize(size * 2 / 3, size * 2 / 3));
    m_commands->setUndoButtons(m_undoButton, m_undoHistoryButton);
    m_renameButton = new QToolButton(bar);
    m_renameButton->setObjectName(QStringLiteral("renameButton"));
    m_renameButton->setDefaultAction(m_commands->renameAction());
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
    m_showSidebarButton->setText(tr("Show Sidebar"));
    m_showSidebarButton->setToolTip(tr("Show the workflow sidebar"));
    m_showSidebarButton->setAccessibleName(tr("Show Sidebar"));
    m_showSidebarButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_showSidebarButton->setFocusPolicy(Qt::TabFocus);
    PaletteFollower::follow(m_showSidebarButton, [button = m_showSidebarButton, size] {
        button->setIcon(
            Icons::icon(QStringLiteral("chevron.right"), Colors::secondaryText(), size));
    });
    m_showSidebarButton->setIconSize(QSize(size, size));
    m_showSidebarButton->hide();
    connect(m_showSidebarButton, &QToolButton::clicked, this, &ContentView::toggleSidebar);

    bar->setFixedHeight(WindowBars::headerHeight);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(8);
    row->addWidget(m_showSidebarButton);
    row->addStretch(1);
    row->addWidget(m_undoButton);
    row->addSpacing(-8);
    row->addWidget(m_undoHistoryButton);
    row->addWidget(m_renameButton);
    return bar;
}

void ContentView::followFiles()
{
    const bool empty = m_fileList->fileModel()->rowCount() == 0;
    m_fileStack->setCurrentWidget(empty ? static_cast<QWidget *>(m_dropZone) : m_fileList);
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
    followSidebarWidth();
}

SortActions *ContentView::sortActions() const
{
    return m_fileListBar->sortActions();
}

bool ContentView::isSidebarCollapsed() const
{
    return m_splitter->sizes().value(0) == 0;
}

void ContentView::followSidebarWidth()
{
    m_showSidebarButton->setVisible(isSidebarCollapsed());
}

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    // Keyboard users start where the work starts: the first field of the first step.
    OperationStackView *stack = m_workflowPanel->operationStack();
    for (QLineEdit *field : stack->findChildren<QLineEdit *>()) {
        if (field->isVisibleTo(stack)) {
            field->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void ContentView::updateTabOrder()
{
    // Screen order: the sidebar from the top of the stack down, the list, the bottom bar,
    // then the commands above the list. Hidden and disabled controls are passed over.
    QList<QWidget *> chain = m_workflowPanel->tabStops();
    chain.append(m_fileList);
    chain += m_fileListBar->tabStops();
    chain += {m_showSidebarButton, m_undoButton, m_undoHistoryButton, m_renameButton};
    // A combo box's popup list is a window of its own and takes no part in the chain.
    chain.removeIf([this](const QWidget *control) { return control->window() != window(); });
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
