#include "window/successoverlay.h"

#include "controls/elidedlabel.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/palettefollower.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include <algorithm>

namespace {
constexpr int shadowBlur = 12;
constexpr int shadowOffset = 4;
} // namespace

SuccessOverlay::SuccessOverlay(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("successIcon"));
    PaletteFollower::follow(m_icon, [this] { updateIcon(); });
    m_text = new ElidedLabel(QString(), this);
    m_text->setObjectName(QStringLiteral("successMessage"));
    m_text->setFont(Fonts::withWeight(Fonts::body(), QFont::Medium));
    PaletteFollower::follow(m_text, [this] {
        QPalette textPalette = m_text->palette();
        textPalette.setColor(QPalette::WindowText, Colors::primaryText());
        m_text->setPalette(textPalette);
    });

    auto *row = new QHBoxLayout(this);
    // Room for the shadow around the card, then the card's own padding.
    row->setContentsMargins(shadowBlur + 20, shadowBlur + 14 - shadowOffset, shadowBlur + 20,
                            shadowBlur + 14 + shadowOffset);
    row->setSpacing(12);
    row->addWidget(m_icon);
    row->addWidget(m_text);

    m_opacity = new QGraphicsOpacityEffect(this);
    m_opacity->setOpacity(0);
    setGraphicsEffect(m_opacity);
    hide();
    parent->installEventFilter(this);
}

bool SuccessOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        reposition();
    return QWidget::eventFilter(watched, event);
}

QString SuccessOverlay::message() const
{
    return m_text->fullText();
}

void SuccessOverlay::setMessage(const QString &message)
{
    m_text->setFullText(message);
    fit();
    if (m_shown)
        reposition();
}

void SuccessOverlay::setComplete(bool complete)
{
    if (m_complete == complete)
        return;
    m_complete = complete;
    updateIcon();
}

void SuccessOverlay::updateIcon()
{
    const int symbol = static_cast<int>(Fonts::symbolSize(Fonts::title2()));
    const QIcon icon =
        m_complete ? Icons::icon(QStringLiteral("checkmark.circle.fill"), Colors::green(), symbol)
                   : Icons::icon(QStringLiteral("exclamationmark.triangle.fill"), Colors::orange(),
                                 symbol);
    m_icon->setPixmap(icon.pixmap(symbol, symbol));
}

void SuccessOverlay::present()
{
    m_shown = true;
    animate(true);
}

void SuccessOverlay::dismiss()
{
    if (!m_shown)
        return;
    m_shown = false;
    animate(false);
}

void SuccessOverlay::reposition()
{
    if (!parentWidget())
        return;
    fit();
    move((parentWidget()->width() - width()) / 2, restingOffset - shadowBlur + shadowOffset);
}

void SuccessOverlay::fit()
{
    // A long message (a workflow's long name) is shortened rather than let the card run
    // past the edges of the file area.
    if (parentWidget()) {
        const QMargins margins = layout()->contentsMargins();
        const int room = parentWidget()->width() - margins.left() - margins.right() -
                         m_icon->sizeHint().width() - layout()->spacing() - 2 * shadowBlur;
        m_text->setMaximumWidth(std::max(room, m_text->minimumSizeHint().width()));
    }
    adjustSize();
}

void SuccessOverlay::animate(bool in)
{
    if (m_animation)
        m_animation->stop();
    else
        m_animation = new QParallelAnimationGroup(this);
    m_animation->clear();

    fit();
    const int x = parentWidget() ? (parentWidget()->width() - width()) / 2 : 0;
    const QPoint resting(x, restingOffset - shadowBlur + shadowOffset);
    const QPoint above(x, -height());

    auto *slide = new QPropertyAnimation(this, "pos");
    auto *fade = new QPropertyAnimation(m_opacity, "opacity");
    if (in) {
        // A spring that settles in about 0.4 s with a little overshoot.
        if (!isVisible()) {
            move(above);
            m_opacity->setOpacity(0);
        }
        show();
        raise();
        slide->setDuration(400);
        slide->setEasingCurve(QEasingCurve(QEasingCurve::OutBack));
        fade->setDuration(400);
        fade->setEasingCurve(QEasingCurve::OutCubic);
        slide->setEndValue(resting);
        fade->setEndValue(1.0);
    } else {
        slide->setDuration(300);
        slide->setEasingCurve(QEasingCurve::OutCubic);
        fade->setDuration(300);
        fade->setEasingCurve(QEasingCurve::OutCubic);
        slide->setEndValue(above);
        fade->setEndValue(0.0);
        connect(m_animation, &QAbstractAnimation::finished, this, [this] {
            if (!m_shown)
                hide();
        });
    }
    slide->setStartValue(pos());
    fade->setStartValue(m_opacity->opacity());
    m_animation->addAnimation(slide);
    m_animation->addAnimation(fade);
    m_animation->start();
}

void SuccessOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(shadowBlur, shadowBlur - shadowOffset, -shadowBlur,
                                                -shadowBlur - shadowOffset);
    // A soft shadow: black at 15 % spread over the blur radius, 4 points down.
    for (int i = shadowBlur; i > 0; i -= 2) {
        QPainterPath shadow;
        shadow.addRoundedRect(card.adjusted(-i, -i + shadowOffset, i, i + shadowOffset), 12 + i,
                              12 + i);
        painter.fillPath(shadow, QColor(0, 0, 0,
                                        static_cast<int>(0.15 * 255 / (shadowBlur / 2.0) *
                                                         (1.0 - qreal(i) / (shadowBlur + 2)))));
    }
    QPainterPath path;
    path.addRoundedRect(card, 12, 12);
    painter.fillPath(path, Colors::controlBackground(palette()));
}
