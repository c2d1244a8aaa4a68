#include "window/workflowpanel.h"

#include "controls/horizontaldivider.h"
#include "dialogs/alertdialog.h"
#include "operations/inlineoperationeditor.h"
#include "operations/operationstackview.h"
#include "operations/systemworkflowlabels.h"
#include "renameengine.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/modernbuttonstyle.h"
#include "style/palettefollower.h"
#include "window/windowbars.h"
#include "window/windowpresenter.h"
#include "workflows/systemworkflow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int narrowestWidth = 280;
constexpr int widestWidth = 400;
// The widest a workflow's name is shown in the Load menu; the menu grows no wider for it.
constexpr int widestMenuName = 360;

// Menu titles shown exactly as written: a "&" is text, never a shortcut marker.
QString literalMenuTitle(QString title)
{
    return title.replace(u'&', QStringLiteral("&&"));
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
        WindowBars::setTextColor(button, Colors::secondaryText());
    });
    button->setIconSize(QSize(size, size));
    button->setText(caption);
    button->setFont(Fonts::caption());
    button->setToolTip(toolTip);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    return button;
}

} // namespace

WorkflowPanel::WorkflowPanel(RenameEngine *engine, WindowPresenter *presenter, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_presenter(presenter)
{
    setMinimumWidth(narrowestWidth);
    setMaximumWidth(widestWidth);
    QWidget *header = buildHeader();
    m_operationStack = new OperationStackView(m_engine, this);
    m_operationStack->setObjectName(QStringLiteral("operationStack"));

    auto *addArea = new QWidget(this);
    auto *addRow = new QHBoxLayout(addArea);
    addRow->setContentsMargins(WindowBars::defaultPadding, 8, WindowBars::defaultPadding, 8);
    m_addOperationButton = new QPushButton(tr("Add Operation"), addArea);
    m_addOperationButton->setObjectName(QStringLiteral("addOperationButton"));
    m_addOperationButton->setToolTip(tr("Add another operation to the stack"));
    m_addOperationButton->setFixedHeight(44);
    m_addOperationButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PaletteFollower::follow(m_addOperationButton, [button = m_addOperationButton] {
        button->setIcon(Icons::icon(QStringLiteral("plus.circle"), Colors::secondaryText(),
                                    static_cast<int>(Fonts::symbolSize(Fonts::body()))));
        ModernButtonStyle::apply(button, Colors::secondaryText());
    });
    connect(m_addOperationButton, &QPushButton::clicked, this,
            &WorkflowPanel::addOperationAndFocusIt);
    addRow->addWidget(m_addOperationButton);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addWidget(new HorizontalDivider(this));
    column->addWidget(m_operationStack, 1);
    column->addWidget(new HorizontalDivider(this));
    column->addWidget(addArea);

    connect(engine, &RenameEngine::savedWorkflowsChanged, this, &WorkflowPanel::rebuildLoadMenu);
    // Whatever wrote the workflows (a save, a rename or a delete in the sheet), the user
    // learns that they are not on disk.
    connect(engine, &RenameEngine::workflowsNotSaved, this, [this](const QString &reason) {
        AlertDialog *alert = m_presenter->makeAlert(
            tr("Could not save workflows"),
            tr("%1 Your workflows are kept until Brisklet quits.").arg(reason));
        alert->addButton(tr("OK"), AlertDialog::Role::cancel);
        m_presenter->present(alert);
    });
    rebuildLoadMenu();
}

QWidget *WorkflowPanel::buildHeader()
{
    auto *header = new QWidget(this);
    header->setFixedHeight(WindowBars::headerHeight);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(WindowBars::defaultPadding, 0, WindowBars::defaultPadding / 2, 0);
    row->setSpacing(8);
    auto *icon = new QLabel(header);
    const int iconSize = static_cast<int>(Fonts::symbolSize(Fonts::title3()));
    PaletteFollower::follow(icon, [icon, iconSize] {
        icon->setPixmap(Icons::icon(QStringLiteral("slider.horizontal.3"), Colors::blue(), iconSize)
                            .pixmap(iconSize, iconSize));
    });
    auto *title = new QLabel(tr("Workflow"), header);
    title->setFont(Fonts::headline());
    m_saveButton = headerCommand(QStringLiteral("square.and.arrow.down.fill"), tr("Save"),
                                 tr("Save current workflow"), header);
    m_saveButton->setObjectName(QStringLiteral("saveWorkflowButton"));
    connect(m_saveButton, &QToolButton::clicked, this, &WorkflowPanel::askForWorkflowName);
    m_loadButton =
        headerCommand(QStringLiteral("folder.fill"), tr("Load"), tr("Load workflow"), header);
    m_loadButton->setObjectName(QStringLiteral("loadWorkflowButton"));
    m_loadMenu = new QMenu(m_loadButton);
    m_loadMenu->setObjectName(QStringLiteral("loadMenu"));
    // A long name is shortened in the menu; its whole text shows as the item's tooltip.
    m_loadMenu->setToolTipsVisible(true);
    connect(m_loadMenu, &QMenu::aboutToShow, this, &WorkflowPanel::rebuildLoadMenu);
    m_loadButton->setMenu(m_loadMenu);
    m_loadButton->setPopupMode(QToolButton::InstantPopup);
    row->addWidget(icon);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(m_saveButton);
    row->addWidget(WindowBars::verticalDivider(16, header));
    row->addWidget(m_loadButton);
    return header;
}

QList<QWidget *> WorkflowPanel::tabStops() const
{
    QList<QWidget *> stops;
    for (InlineOperationEditor *card : m_operationStack->cards()) {
        for (QWidget *control : card->findChildren<QWidget *>()) {
            if (control->focusPolicy() & Qt::TabFocus)
                stops.append(control);
        }
    }
    stops += {m_addOperationButton, m_saveButton, m_loadButton};
    return stops;
}

void WorkflowPanel::addOperationAndFocusIt()
{
    m_engine->addOperation();
    // The new card is where the user goes next; its first control is the mode menu.
    // Its layout would show it only later, and a hidden control cannot take focus.
    if (const QList<InlineOperationEditor *> cards = m_operationStack->cards(); !cards.isEmpty()) {
        cards.last()->show();
        cards.last()->modeMenu()->setFocus(Qt::TabFocusReason);
    }
}

void WorkflowPanel::rebuildLoadMenu()
{
    m_loadMenu->clear();
    // Clearing the menu leaves its submenus alive, so the one submenu is kept and refilled.
    if (!m_systemWorkflowsMenu)
        m_systemWorkflowsMenu = new QMenu(tr("System Workflows"), m_loadMenu);
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
        QAction *none = m_loadMenu->addAction(tr("No saved workflows"));
        none->setEnabled(false);
        return;
    }
    const QFontMetrics metrics(m_loadMenu->font());
    for (const QString &name : names) {
        const QString shown = metrics.elidedText(name, Qt::ElideMiddle, widestMenuName);
        QAction *item =
            m_loadMenu->addAction(Icons::icon(QStringLiteral("doc.text"), Colors::secondaryText()),
                                  literalMenuTitle(shown));
        item->setData(name);
        if (shown != name)
            item->setToolTip(name);
        connect(item, &QAction::triggered, this, [this, name] { m_engine->loadWorkflow(name); });
    }
    m_loadMenu->addSeparator();
    QAction *manage = m_loadMenu->addAction(tr("Manage Workflows..."));
    connect(manage, &QAction::triggered, m_presenter, &WindowPresenter::showManageWorkflows);
}

void WorkflowPanel::askForWorkflowName()
{
    // Every way out of the prompt and of the overwrite question leaves no name behind, so
    // the prompt always starts empty.
    AlertDialog *alert =
        m_presenter->makeAlert(tr("Save Workflow"), tr("Enter a name for this workflow"));
    const QPointer<QLineEdit> field = alert->addTextField(tr("Workflow Name"));
    alert->addButton(tr("Cancel"), AlertDialog::Role::cancel);
    alert->addButton(tr("Save"), AlertDialog::Role::normal,
                     [this, field] { saveUnderName(field ? field->text() : QString()); });
    m_presenter->present(alert);
}

void WorkflowPanel::saveUnderName(const QString &name)
{
    // The name exactly as typed: no trimming. An empty one saves nothing.
    if (name.isEmpty())
        return;
    if (m_engine->hasSavedWorkflow(name))
        askToOverwrite(name);
    else
        saveAndReport(name);
}

void WorkflowPanel::askToOverwrite(const QString &name)
{
    m_presenter->present(AlertDialog::overwriteWorkflow(name, m_presenter->host(),
                                                        [this, name] { saveAndReport(name); }));
}

void WorkflowPanel::saveAndReport(const QString &name)
{
    if (m_engine->saveWorkflow(name))
        m_presenter->showSuccess(tr("Workflow '%1' saved").arg(name));
}
