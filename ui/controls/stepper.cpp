#include "controls/stepper.h"

#include "style/colors.h"
#include "style/fonts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

Stepper::Stepper(const QString &titlePrefix, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_prefix(titlePrefix), m_minimum(minimum), m_maximum(maximum),
      m_value(minimum), m_title(new QLabel(this)), m_minus(new QToolButton(this)),
      m_plus(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title->setFont(Fonts::body());
    layout->addWidget(m_title);

    // Drawn as text, not symbols, so the buttons read the same without the icon font.
    m_minus->setText(QStringLiteral("\u2212"));
    m_plus->setText(QStringLiteral("+"));
    m_minus->setToolTip(tr("Decrement"));
    m_plus->setToolTip(tr("Increment"));
    m_minus->setAccessibleName(m_minus->toolTip());
    m_plus->setAccessibleName(m_plus->toolTip());
    for (QToolButton *button : {m_minus, m_plus}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setFixedSize(22, 20);
    }
    auto *pair = new QHBoxLayout;
    pair->setContentsMargins(0, 0, 0, 0);
    pair->setSpacing(0);
    pair->addWidget(m_minus);
    pair->addWidget(m_plus);
    layout->addLayout(pair);
    layout->addStretch(1);

    connect(m_minus, &QToolButton::clicked, this, [this] { step(-1); });
    connect(m_plus, &QToolButton::clicked, this, [this] { step(+1); });
    refresh();
}

QString Stepper::title() const
{
    return m_prefix + QString::number(m_value);
}

void Stepper::setValue(int value)
{
    // Shown as it is even outside the range, since that is the value in effect; the first
    // step brings it back into the range.
    if (value == m_value)
        return;
    m_value = value;
    refresh();
    Q_EMIT currentValueChanged(m_value);
}

void Stepper::setMinimum(int minimum)
{
    if (minimum == m_minimum)
        return;
    m_minimum = minimum;
    m_maximum = qMax(m_maximum, minimum);
    refresh();
    Q_EMIT rangeChanged(m_minimum, m_maximum);
}

void Stepper::setMaximum(int maximum)
{
    if (maximum == m_maximum)
        return;
    m_maximum = maximum;
    m_minimum = qMin(m_minimum, maximum);
    refresh();
    Q_EMIT rangeChanged(m_minimum, m_maximum);
}

void Stepper::step(int delta)
{
    const int next = int(qBound(qint64(m_minimum), qint64(m_value) + delta, qint64(m_maximum)));
    if (next == m_value)
        return;
    m_value = next;
    refresh();
    Q_EMIT currentValueChanged(m_value);
    Q_EMIT valueChanged(m_value);
}

void Stepper::refresh()
{
    m_title->setText(title());
    m_minus->setEnabled(m_value > m_minimum);
    m_plus->setEnabled(m_value < m_maximum);
}

void Stepper::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void Stepper::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void Stepper::paintEvent(QPaintEvent *)
{
    if (!hasFocus())
        return;
    // A ring around the caption and the buttons, which the arrow keys step.
    const QRect ring = m_title->geometry().united(m_plus->geometry()).adjusted(-4, -3, 4, 3);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Colors::withOpacity(Colors::blue(palette()), 0.6), 1.5));
    painter.drawRoundedRect(QRectF(ring).adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
}

void Stepper::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Plus) {
        step(+1);
    } else if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Minus) {
        step(-1);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
