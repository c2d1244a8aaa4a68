#include "controls/choicemenubutton.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"

#include <QActionGroup>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QtMath>

namespace {

constexpr qreal padding = 8;
constexpr qreal radius = 6;
constexpr qreal chevronGap = 8;

qreal chevronSide()
{
    return Icons::isAvailable() ? Fonts::symbolSize(Fonts::caption()) : 0;
}

} // namespace

ChoiceMenuButton::ChoiceMenuButton(const QStringList &titles, QWidget *parent)
    : QAbstractButton(parent), m_titles(titles), m_menu(new QMenu(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *group = new QActionGroup(m_menu);
    group->setExclusive(true);
    for (int i = 0; i < m_titles.size(); ++i) {
        QAction *action = m_menu->addAction(m_titles.at(i));
        action->setCheckable(true);
        action->setChecked(i == m_current);
        group->addAction(action);
        m_actions.append(action);
        connect(action, &QAction::triggered, this, [this, i] {
            setCurrentIndex(i);
            Q_EMIT activated(i);
        });
    }
    if (!m_titles.isEmpty())
        setText(m_titles.first());
    connect(this, &QAbstractButton::clicked, this, &ChoiceMenuButton::showMenu);
}

void ChoiceMenuButton::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_titles.size())
        return;
    const bool changed = index != m_current;
    m_current = index;
    setText(m_titles.at(index));
    m_actions.at(index)->setChecked(true);
    update();
    if (changed)
        Q_EMIT currentIndexChanged(index);
}

void ChoiceMenuButton::setStartsGroup(int index)
{
    if (index > 0 && index < m_actions.size())
        m_menu->insertSeparator(m_actions.at(index));
}

void ChoiceMenuButton::showMenu()
{
    m_menu->setMinimumWidth(width());
    m_menu->setActiveAction(m_actions.value(m_current));
    m_menu->popup(mapToGlobal(QPoint(0, height())));
}

QSize ChoiceMenuButton::sizeHint() const
{
    const QFontMetricsF metrics(Fonts::body());
    qreal widest = 0;
    for (const QString &title : m_titles)
        widest = qMax(widest, metrics.horizontalAdvance(title));
    const qreal chevron = chevronSide();
    const qreal width = padding * 2 + widest + chevronGap + chevron;
    return QSize(qCeil(width), qCeil(padding * 2 + qMax(metrics.height(), chevron)));
}

QSize ChoiceMenuButton::minimumSizeHint() const
{
    return QSize(qCeil(padding * 2 + chevronSide() + 24), sizeHint().height());
}

void ChoiceMenuButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &pal = palette();
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF bounds = QRectF(rect());
    const QRectF outline = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    if (isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Colors::withOpacity(Colors::gray(pal), 0.12));
        painter.drawRoundedRect(outline, radius, radius);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(hasFocus() ? QPen(Colors::withOpacity(Colors::blue(pal), 0.6), 1.5)
                              : QPen(Colors::withOpacity(Colors::gray(pal), 0.30), 1));
    painter.drawRoundedRect(outline, radius, radius);

    const qreal chevron = chevronSide();
    const QRectF content = bounds.adjusted(padding, padding, -padding, -padding);
    const qreal textRoom = content.width() - (chevron > 0 ? chevron + chevronGap : 0);
    const QFontMetricsF metrics(Fonts::body());
    painter.setFont(Fonts::body());
    painter.setPen(Colors::primaryText(pal));
    painter.drawText(QRectF(content.left(), content.top(), textRoom, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(), Qt::ElideRight, textRoom));
    if (chevron > 0) {
        const QRectF chevronRect(content.right() - chevron, content.center().y() - chevron / 2,
                                 chevron, chevron);
        Icons::paint(&painter, chevronRect, QStringLiteral("chevron.up.chevron.down"),
                     Colors::secondaryText(pal), chevron);
    }
}
