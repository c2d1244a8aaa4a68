#include "dragsource.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

DragSource::DragSource(QList<QUrl> files, QWidget *parent)
    : QWidget(parent), m_files(std::move(files))
{
    setWindowTitle(QStringLiteral("Brisklet Drag Source"));
    setFixedSize(160, 120);
}

void DragSource::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Starting on the press rather than after a drag distance: the pointer that drives this
    // may jump straight to the target.
    auto *drag = new QDrag(this);
    auto *mimeData = new QMimeData;
    mimeData->setUrls(m_files);
    drag->setMimeData(mimeData);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    Q_EMIT finished(action != Qt::IgnoreAction);
}

void DragSource::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x30, 0x70, 0xd0));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter,
                     QStringLiteral("%1 file(s)\ndrag me").arg(m_files.size()));
}
