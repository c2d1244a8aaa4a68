#include "operations/inlineoperationeditor.h"

#include "controls/focusedwheelcombobox.h"
#include "controls/horizontaldivider.h"
#include "controls/numberbadge.h"
#include "operations/operationparameterseditor.h"
#include "operations/operationstackmodel.h"
#include "style/colors.h"
#include "style/icons.h"
#include "style/palettefollower.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int sectionSpacing = 12;

// The modes in menu order; a dividing line goes before each mode listed here.
bool startsGroup(RenameMode mode)
{
    return mode == RenameMode::trim || mode == RenameMode::append ||
           mode == RenameMode::changeCase || mode == RenameMode::fileInfo;
}

} // namespace

QString InlineOperationEditor::title(RenameMode mode)
{
    switch (mode) {
    case RenameMode::replace:
        return tr("Replace");
    case RenameMode::regex:
        return tr("Regular Expression");
    case RenameMode::trim:
        return tr("Trim");
    case RenameMode::append:
        return tr("Append");
    case RenameMode::prepend:
        return tr("Prepend");
    case RenameMode::changeCase:
        return tr("Change Case");
    case RenameMode::sequence:
        return tr("Sequence");
    case RenameMode::fileInfo:
        break;
    }
    return tr("Insert File Info");
}

InlineOperationEditor::InlineOperationEditor(QAbstractItemModel *model, int row, QWidget *parent)
    : QWidget(parent), m_model(model), m_step(model->index(row, 0)),
      m_badge(new NumberBadge(row + 1)), m_modeMenu(new FocusedWheelComboBox),
      m_removeButton(new QToolButton), m_parameters(new OperationParametersEditor(model, row))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    auto *layout = new QVBoxLayout(this);
    // The divider runs edge to edge; everything else keeps the card's padding.
    layout->setContentsMargins(0, cardPadding, 0, cardPadding);
    layout->setSpacing(sectionSpacing);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(cardPadding, 0, cardPadding, 0);
    auto *group = new QHBoxLayout;
    group->setSpacing(8);
    m_badge->setObjectName(QStringLiteral("numberBadge"));
    group->addWidget(m_badge, 0, Qt::AlignVCenter);
    m_modeMenu->setObjectName(QStringLiteral("mode"));
    m_modeMenu->setAccessibleName(tr("Mode"));
    m_modeMenu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (RenameMode mode : EnumCases<RenameMode>::all) {
        m_modeMenu->addItem(title(mode), QVariant::fromValue(int(mode)));
        if (startsGroup(mode))
            m_modeMenu->setStartsGroup(m_modeMenu->count() - 1);
    }
    group->addWidget(m_modeMenu, 0, Qt::AlignVCenter);
    header->addLayout(group);
    header->addStretch(1);

    m_removeButton->setObjectName(QStringLiteral("removeOperation"));
    m_removeButton->setAutoRaise(true);
    m_removeButton->setToolTip(tr("Remove this operation"));
    m_removeButton->setAccessibleName(tr("Remove this operation"));
    m_removeButton->setFocusPolicy(Qt::TabFocus);
    const QIcon removeIcon =
        Icons::icon(QStringLiteral("xmark.circle.fill"), Colors::secondaryText(), 18);
    PaletteFollower::follow(m_removeButton, [button = m_removeButton] {
        if (!button->icon().isNull())
            button->setIcon(
                Icons::icon(QStringLiteral("xmark.circle.fill"), Colors::secondaryText(), 18));
    });
    if (removeIcon.isNull()) {
        m_removeButton->setText(tr("Remove"));
        m_removeButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        m_removeButton->setIcon(removeIcon);
        m_removeButton->setIconSize(QSize(18, 18));
        m_removeButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    header->addWidget(m_removeButton, 0, Qt::AlignVCenter);
    layout->addLayout(header);

    layout->addWidget(new HorizontalDivider);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(cardPadding, 0, cardPadding, 0);
    body->addWidget(m_parameters);
    layout->addLayout(body);

    connect(m_modeMenu, &QComboBox::activated, this, &InlineOperationEditor::chooseMode);
    connect(m_removeButton, &QToolButton::clicked, this, [this] {
        if (m_step.isValid())
            m_model->removeRows(m_step.row(), 1);
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &InlineOperationEditor::followRows);
    connect(model, &QAbstractItemModel::rowsInserted, this, &InlineOperationEditor::showPosition);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &InlineOperationEditor::showPosition);
    connect(model, &QAbstractItemModel::modelReset, this, &InlineOperationEditor::showPosition);
    refresh();
}

void InlineOperationEditor::showPosition()
{
    if (!m_step.isValid())
        return;
    const int row = m_step.row();
    if (std::exchange(m_shownIndex, row) != row) {
        m_badge->setNumber(row + 1);
        Q_EMIT indexChanged(row);
    }
    const bool canRemove = m_model->rowCount() > 1;
    m_removeButton->setVisible(canRemove);
    if (std::exchange(m_canRemove, canRemove) != canRemove)
        Q_EMIT canRemoveChanged(canRemove);
}

void InlineOperationEditor::followRows(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                       const QList<int> &roles)
{
    if (!m_step.isValid() || m_step.row() < topLeft.row() || m_step.row() > bottomRight.row())
        return;
    if (roles.isEmpty() || roles.contains(OperationStackModel::OperationRole))
        refresh();
    else if (roles.contains(OperationStackModel::PatternProblemRole) ||
             roles.contains(OperationStackModel::ReplacementProblemRole))
        m_parameters->showPatternProblem();
}

void InlineOperationEditor::refresh()
{
    if (!m_step.isValid())
        return;
    showPosition();
    const auto operation =
        m_step.data(OperationStackModel::OperationRole).value<RenameOperationWrapper>();
    const QSignalBlocker blocker(m_modeMenu);
    m_modeMenu->setCurrentIndex(m_modeMenu->findData(QVariant::fromValue(int(operation.mode))));
    m_parameters->refresh();
}

void InlineOperationEditor::chooseMode(int comboIndex)
{
    const QVariant modeData = m_modeMenu->itemData(comboIndex);
    if (!m_step.isValid() || !modeData.isValid())
        return;
    auto operation =
        m_step.data(OperationStackModel::OperationRole).value<RenameOperationWrapper>();
    const auto mode = static_cast<RenameMode>(modeData.toInt());
    if (operation.mode == mode)
        return;
    operation.mode = mode;
    // The card shows the new mode's page when the model reports the change.
    m_model->setData(m_step, QVariant::fromValue(operation), OperationStackModel::OperationRole);
}

void InlineOperationEditor::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, Colors::controlBackground(palette()));
}
