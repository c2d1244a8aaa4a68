#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

#include <functional>

class QVariantAnimation;

// The compact icon button of the bottom bar: only its icon at rest, icon and caption while
// the pointer is over it. The caption fades in while growing to full size, and the button
// widens smoothly to make room for it.
class MinimalistButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString icon READ icon CONSTANT)
    Q_PROPERTY(QString label READ label CONSTANT)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    MinimalistButton(const QString &icon, const QString &label, const QColor &color,
                     std::function<void()> action = {}, QWidget *parent = nullptr);

    QString icon() const { return m_icon; }
    QString label() const { return m_label; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool isHovered() const { return m_hovered; }
    // 0 at rest, 1 when fully hovered; in between while the change animates.
    qreal hoverProgress() const { return m_progress; }
    // Skips the animation, for tests and screenshots.
    void setHoveredImmediately(bool hovered);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int animationMilliseconds = 200;

Q_SIGNALS:
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setHovered(bool hovered);
    // Without the icon font the caption is the only thing left to show, so it stays.
    bool captionAlwaysShown() const;
    qreal captionProgress() const;
    QSizeF iconSize() const;
    qreal captionWidth() const;

    QString m_icon;
    QString m_label;
    QColor m_color;
    std::function<void()> m_action;
    bool m_hovered = false;
    // The focus ring is for keyboard users; a window handing focus over on opening is not one.
    bool m_keyboardFocus = false;
    qreal m_progress = 0;
    QVariantAnimation *m_animation;
};
