#include "dialogs/workflowrow.h"

#include "controls/elidedlabel.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int defaultPadding = 16;

QToolButton *iconButton(const QString &symbol, const QColor &color, const QString &toolTip,
                        QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(Icons::icon(symbol, color, 16));
    if (button->icon().isNull())
        button->setText(toolTip);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

WorkflowRow::WorkflowRow(const QString &name, Mode mode, const QString &newName, QWidget *parent)
    : QWidget(parent), m_name(name), m_mode(mode)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(defaultPadding, defaultPadding / 2, defaultPadding / 2,
                            defaultPadding / 2);
    row->setSpacing(8);

    if (mode == Mode::normal) {
        auto *icon = new QLabel(this);
        icon->setPixmap(
            Icons::icon(QStringLiteral("doc.text.fill"), Colors::blue(), 16).pixmap(16, 16));
        auto *label = new ElidedLabel(name, this);
        label->setFont(Fonts::withWeight(Fonts::body(), QFont::Medium));
        label->setObjectName(QStringLiteral("workflowName"));
        m_renameButton = iconButton(QStringLiteral("pencil"), Colors::secondaryText(),
                                    tr("Rename workflow"), this);
        m_deleteButton =
            iconButton(QStringLiteral("trash"), Colors::red(), tr("Delete workflow"), this);
        connect(m_renameButton, &QToolButton::clicked, this, &WorkflowRow::renameRequested);
        connect(m_deleteButton, &QToolButton::clicked, this, &WorkflowRow::deleteRequested);
        row->addWidget(icon);
        row->addWidget(label, 1);
        row->addWidget(m_renameButton);
        row->addWidget(m_deleteButton);
        return;
    }

    m_nameField = new QLineEdit(newName, this);
    m_nameField->setPlaceholderText(tr("Workflow name"));
    m_nameField->setAccessibleName(m_nameField->placeholderText());
    m_saveButton = new QPushButton(tr("Save"), this);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    // Return in the field commits through the field itself; no button of the sheet may also
    // take it as the default.
    for (QPushButton *button : {m_saveButton, m_cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    const QColor accent = Colors::blue();
    m_saveButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: white; "
                       "border: none; border-radius: 5px; padding: 4px 12px; }"
                       "QPushButton:pressed { background-color: %2; }")
            .arg(accent.name(), accent.darker(120).name()));
    connect(m_nameField, &QLineEdit::textEdited, this, &WorkflowRow::newNameEdited);
    connect(m_nameField, &QLineEdit::returnPressed, this, &WorkflowRow::commitRequested);
    connect(m_saveButton, &QPushButton::clicked, this, &WorkflowRow::commitRequested);
    connect(m_cancelButton, &QPushButton::clicked, this, &WorkflowRow::cancelRequested);
    row->addWidget(m_nameField, 1);
    row->addWidget(m_saveButton);
    row->addWidget(m_cancelButton);
}

void WorkflowRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, Colors::withOpacity(Colors::controlBackground(palette()), 0.5));
}
