#include "operations/optionlabel.h"

#include "style/colors.h"
#include "style/fonts.h"

#include <QFontMetrics>
#include <QPainter>

OptionLabel::OptionLabel(const QString &text, QWidget *parent) : QWidget(parent), m_text(text)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void OptionLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
    Q_EMIT textChanged(text);
}

QString OptionLabel::displayText() const
{
    return m_text.toUpper();
}

QSize OptionLabel::sizeHint() const
{
    const QFontMetrics metrics(Fonts::caption());
    return QSize(metrics.horizontalAdvance(displayText()), metrics.height());
}

QSize OptionLabel::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void OptionLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(Fonts::caption());
    painter.setPen(Colors::secondaryText(palette()));
    const QString shown = painter.fontMetrics().elidedText(displayText(), Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}
