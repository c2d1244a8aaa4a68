#pragma once

#include <QProxyStyle>

class QLineEdit;

// A text field without a border or background of its own, padded by 8 on every side and
// outlined by a thin rounded grey line.
class RoundedTextFieldStyle : public QProxyStyle {
    Q_OBJECT

public:
    RoundedTextFieldStyle();

    // Gives the field this look. One style serves every field for the application's life.
    static void apply(QLineEdit *field);

    static constexpr qreal padding = 8;
    static constexpr qreal cornerRadius = 6;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption *option,
                         const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
};
