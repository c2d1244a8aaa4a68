#include "style/modernbuttonstyle.h"

#include "style/colors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QVariantAnimation>

namespace {

constexpr qreal horizontalPadding = 12;
constexpr qreal verticalPadding = 6;
constexpr qreal cornerRadius = 8;
constexpr qreal iconSpacing = 4; // what QPushButton already counts between icon and text
const char scaleProperty[] = "modernButtonScale";
const char animationName[] = "modernButtonPressAnimation";

// The icon in a flat tint, whatever colours its pixmap was drawn in.
QPixmap tinted(const QPixmap &source, const QColor &color)
{
    QPixmap result = source;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    return result;
}

} // namespace

ModernButtonStyle::ModernButtonStyle(const QColor &color) : m_color(color) {}

void ModernButtonStyle::apply(QPushButton *button, const QColor &color)
{
    static QHash<QRgb, QPointer<ModernButtonStyle>> styles;
    QPointer<ModernButtonStyle> &style = styles[color.rgba()];
    if (!style) {
        style = new ModernButtonStyle(color);
        style->setParent(qApp);
    }
    button->setStyle(style);
    button->setFlat(true);
    button->setCursor(Qt::ArrowCursor);
}

qreal ModernButtonStyle::pressScale(const QWidget *button)
{
    const QVariant scale = button ? button->property(scaleProperty) : QVariant();
    return scale.isValid() ? scale.toReal() : 1.0;
}

void ModernButtonStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    auto *button = qobject_cast<QAbstractButton *>(widget);
    if (!button || button->findChild<QVariantAnimation *>(QLatin1String(animationName)))
        return;
    widget->setAttribute(Qt::WA_Hover);
    auto *animation = new QVariantAnimation(button);
    animation->setObjectName(QLatin1String(animationName));
    animation->setDuration(animationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(animation, &QVariantAnimation::valueChanged, button,
                     [button](const QVariant &value) {
                         button->setProperty(scaleProperty, value);
                         button->update();
                     });
    const auto animateTo = [button, animation](qreal target) {
        animation->stop();
        animation->setStartValue(pressScale(button));
        animation->setEndValue(target);
        animation->start();
    };
    QObject::connect(button, &QAbstractButton::pressed, animation,
                     [animateTo] { animateTo(pressedScale); });
    QObject::connect(button, &QAbstractButton::released, animation,
                     [animateTo] { animateTo(1.0); });
}

void ModernButtonStyle::unpolish(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        delete button->findChild<QVariantAnimation *>(QLatin1String(animationName));
        button->setProperty(scaleProperty, QVariant());
    }
    QProxyStyle::unpolish(widget);
}

QSize ModernButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                          const QSize &size, const QWidget *widget) const
{
    if (type != CT_PushButton)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    return size + QSize(qRound(horizontalPadding * 2), qRound(verticalPadding * 2));
}

void ModernButtonStyle::drawControl(ControlElement element, const QStyleOption *option,
                                    QPainter *painter, const QWidget *widget) const
{
    const auto *buttonOption = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (element != CE_PushButton || !buttonOption) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(option->rect);
    const qreal scale = pressScale(widget);
    painter->translate(bounds.center());
    painter->scale(scale, scale);
    painter->translate(-bounds.center());
    const bool enabled = option->state & State_Enabled;
    if (!enabled)
        painter->setOpacity(0.4);

    const bool pressed = option->state & State_Sunken;
    QPainterPath background;
    background.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter->fillPath(background, Colors::withOpacity(m_color, pressed ? 0.20 : 0.10));
    if (option->state & State_HasFocus) {
        painter->setPen(QPen(Colors::withOpacity(m_color, 0.6), 1));
        painter->drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    }

    // Icon and text as one centred group.
    const QFontMetricsF metrics(painter->fontMetrics());
    const bool hasIcon = !buttonOption->icon.isNull();
    const QSizeF iconSize = hasIcon ? QSizeF(buttonOption->iconSize) : QSizeF();
    const qreal textWidth = metrics.horizontalAdvance(buttonOption->text);
    const qreal gap = hasIcon && !buttonOption->text.isEmpty() ? iconSpacing : 0;
    const qreal groupWidth = iconSize.width() + gap + textWidth;
    qreal x = bounds.center().x() - groupWidth / 2;
    if (hasIcon) {
        const qreal ratio = painter->device()->devicePixelRatioF();
        QPixmap pixmap = buttonOption->icon.pixmap(iconSize.toSize(), ratio);
        const QRectF iconRect(x, bounds.center().y() - iconSize.height() / 2, iconSize.width(),
                              iconSize.height());
        painter->drawPixmap(iconRect, tinted(pixmap, m_color), QRectF(pixmap.rect()));
        x += iconSize.width() + gap;
    }
    painter->setPen(Colors::textShade(m_color));
    painter->drawText(QRectF(x, bounds.top(), textWidth + 1, bounds.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, buttonOption->text);
    painter->restore();
}
