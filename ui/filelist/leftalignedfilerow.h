#pragma once

#include "files/renamestatus.h"
#include "names/changedspan.h"

#include <QFont>
#include <QPalette>
#include <QRectF>
#include <QString>

class QPainter;

// One row of the file list: file-type tile and current name on the left, an arrow in a
// fixed cell centred on `centerX`, the new name and any problem on the right. Because the
// left block ends 30 before `centerX` and the arrow cell is 60 wide, the arrows of all rows
// form one column in the middle of the list whatever the names.
class LeftAlignedFileRow {
public:
    // What one row shows, as plain values.
    struct Content {
        QString originalName;
        QString newName;
        QString errorMessage; // null when the file has no message
        QString fileTypeIcon;
        RenameStatus status = RenameStatus::pending;
        bool isSelected = false;
    };

    LeftAlignedFileRow(const Content &content, qreal centerX);

    // Where each part goes inside a row rectangle, and the texts as they fit there.
    struct Geometry {
        QRectF tile;
        QRectF originalName;
        QRectF arrow;
        QRectF newName;
        QRectF pill; // empty when the row shows no problem
        QRectF pillIcon;
        QRectF pillText;
        QString originalNameText;
        QString newNameText;
        QString pillMessage;
        // What differs from the current name, in newNameText as shortened.
        ChangedSpan newNameChange;
    };

    Geometry layout(const QRectF &rect) const;
    void paint(QPainter *painter, const QRectF &rect, const QPalette &palette) const;

    // Whether the row shows a problem pill: only conflicts and errors do.
    bool showsProblem() const;
    QString problemIcon() const;

    // Row height without the gap between rows.
    static constexpr qreal height = 52;
    static constexpr qreal rowSpacing = 1;
    static constexpr qreal tileSide = 32;
    static constexpr qreal arrowCellWidth = 60;
    static constexpr qreal outerPadding = 20;
    static constexpr qreal spacing = 12;
    // The tint behind the changed part of a new name: the status accent (blue while
    // pending) at this opacity, stronger on a dark palette, where a faint tint is lost.
    static qreal changedTint(const QPalette &palette);

    // Where a span of `full` falls in `shown`, the same text shortened in the middle: parts
    // still shown keep their place, a part that was cut out marks the ellipsis.
    static ChangedSpan shownSpan(const ChangedSpan &span, const QString &full,
                                 const QString &shown);

private:
    void paintNewName(QPainter *painter, const Geometry &geometry, const QColor &text,
                      const QColor &tint, const QPalette &palette) const;

    const Content &m_content;
    qreal m_centerX;
};
