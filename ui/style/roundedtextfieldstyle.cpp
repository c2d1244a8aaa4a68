#include "style/roundedtextfieldstyle.h"

#include "style/colors.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

namespace {

// QLineEdit keeps a margin of its own inside the contents rectangle (2 across, 1 down);
// the contents rectangle is inset by the rest, so the text sits exactly `padding` in.
constexpr int lineEditHorizontalMargin = 2;
constexpr int lineEditVerticalMargin = 1;
constexpr int horizontalInset = int(RoundedTextFieldStyle::padding) - lineEditHorizontalMargin;
constexpr int verticalInset = int(RoundedTextFieldStyle::padding) - lineEditVerticalMargin;

} // namespace

RoundedTextFieldStyle::RoundedTextFieldStyle() = default;

void RoundedTextFieldStyle::apply(QLineEdit *field)
{
    static QPointer<RoundedTextFieldStyle> style;
    if (!style) {
        style = new RoundedTextFieldStyle();
        style->setParent(qApp);
    }
    field->setFrame(true);
    field->setStyle(style);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
}

void RoundedTextFieldStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                          QPainter *painter, const QWidget *widget) const
{
    if (element == PE_FrameLineEdit)
        return;
    if (element != PE_PanelLineEdit) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    const bool problem = widget && widget->property(problemProperty).toBool();
    painter->setPen(problem ? QPen(Colors::red(option->palette), 1.5)
                            : QPen(Colors::withOpacity(Colors::gray(option->palette), 0.30), 1));
    painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                             cornerRadius);
    painter->restore();
}

QRect RoundedTextFieldStyle::subElementRect(SubElement element, const QStyleOption *option,
                                            const QWidget *widget) const
{
    if (element != SE_LineEditContents)
        return QProxyStyle::subElementRect(element, option, widget);
    return option->rect.adjusted(horizontalInset, verticalInset, -horizontalInset, -verticalInset);
}

QSize RoundedTextFieldStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                              const QSize &size, const QWidget *widget) const
{
    if (type != CT_LineEdit)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    return size + QSize(horizontalInset * 2, verticalInset * 2);
}
