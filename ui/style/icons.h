#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

// Every symbol the views show, by its symbol name ("paperplane.fill", "arrow.right", ...),
// drawn from one icon font. The font may be missing on a stripped-down system: then the
// symbols draw nothing and report no width, so a control falls back to its text instead of
// showing boxes or crashing.
class Icons {
public:
    // The glyph for a symbol name, or an empty string for a name the table does not know.
    static QString glyph(const QString &symbolName);
    // Whether the icon font could be loaded.
    static bool isAvailable();
    // The icon font at a glyph size in device-independent pixels. When the font is missing
    // this is the application font, which callers never draw glyphs with.
    static QFont font(qreal pixelSize);

    // Draws the symbol centred in the rectangle at the given glyph size.
    static void paint(QPainter *painter, const QRectF &rect, const QString &symbolName,
                      const QColor &color, qreal pixelSize);
    // The symbol as an icon for buttons and menus; a null icon when it cannot be drawn.
    static QIcon icon(const QString &symbolName, const QColor &color, int pixelSize = 16);

    // The family that glyphs are drawn with; an empty family means "no icon font". Tools and
    // tests use it to see the views without the font.
    static void setFontFamily(const QString &family);
    static QString fontFamily();

    // All symbol names of the table, for checks that each glyph exists in the font.
    static QStringList symbolNames();
};
