#include "dialogs/sheetheader.h"

#include "style/colors.h"
#include "style/fonts.h"
#include "style/palettefollower.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int defaultPadding = 16;
}

SheetHeader::SheetHeader(const QString &title, QWidget *parent) : QWidget(parent)
{
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Fonts::headline());
    titleLabel->setObjectName(QStringLiteral("sheetTitle"));

    m_subtitle = new QLabel(this);
    m_subtitle->setFont(Fonts::caption());
    m_subtitle->setObjectName(QStringLiteral("sheetSubtitle"));
    PaletteFollower::follow(m_subtitle, [subtitle = m_subtitle] {
        QPalette subtitlePalette = subtitle->palette();
        subtitlePalette.setColor(QPalette::WindowText, Colors::secondaryText());
        subtitle->setPalette(subtitlePalette);
    });

    auto *titles = new QVBoxLayout;
    titles->setSpacing(4);
    titles->setContentsMargins(0, 0, 0, 0);
    titles->addWidget(titleLabel);
    titles->addWidget(m_subtitle);

    m_done = new QPushButton(tr("Done"), this);
    m_done->setDefault(true);
    m_done->setAutoDefault(true);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(defaultPadding, defaultPadding, defaultPadding, defaultPadding);
    row->addLayout(titles);
    row->addStretch(1);
    row->addWidget(m_done, 0, Qt::AlignVCenter);
}

void SheetHeader::setSubtitle(const QString &subtitle)
{
    m_subtitle->setText(subtitle);
}

QString SheetHeader::subtitle() const
{
    return m_subtitle->text();
}

void SheetHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Colors::controlBackground(palette()));
}
