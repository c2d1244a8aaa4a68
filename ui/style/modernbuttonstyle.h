#pragma once

#include <QColor>
#include <QProxyStyle>

class QPushButton;

// A tinted, softly filled push-button look: the label in the tint, a rounded fill of the
// tint behind it that deepens while pressed, and a slight shrink while the button is held.
class ModernButtonStyle : public QProxyStyle {
    Q_OBJECT

public:
    explicit ModernButtonStyle(const QColor &color);

    QColor color() const { return m_color; }

    // Gives the button this look in the colour. Styles are shared per colour and live as long
    // as the application, so buttons may come and go freely.
    static void apply(QPushButton *button, const QColor &color);
    // The scale the button is drawn at now: 1 at rest, 0.96 while held, between while the
    // change animates.
    static qreal pressScale(const QWidget *button);

    static constexpr int animationMilliseconds = 100;
    static constexpr qreal pressedScale = 0.96;

    void polish(QWidget *widget) override;
    void unpolish(QWidget *widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;

private:
    QColor m_color;
};
