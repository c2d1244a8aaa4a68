#pragma once

#include <QProxyStyle>

class QLineEdit;

// A text field without a border or background of its own, padded by 8 on every side and
// outlined by a thin rounded grey line (red while the field's value does not work).
class RoundedTextFieldStyle : public QProxyStyle {
    Q_OBJECT

public:
    RoundedTextFieldStyle();

    // Gives the field this look. One style serves every field for the application's life.
    static void apply(QLineEdit *field);

    static constexpr qreal padding = 8;
    static constexpr qreal cornerRadius = 6;
    // A field with this property set to true is outlined in red: its value does not work.
    static constexpr const char *problemProperty = "hasProblem";

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption *option,
                         const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
};
