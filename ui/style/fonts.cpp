#include "style/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace {

// Symbols are drawn a little larger than the letters' pixel size so that their visual
// weight matches the text beside them.
constexpr qreal symbolScale = 1.15;

} // namespace

QFont Fonts::scaled(qreal factor)
{
    QFont font = QGuiApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));
    return font;
}

QFont Fonts::body()
{
    return QGuiApplication::font();
}

QFont Fonts::headline()
{
    return withWeight(body(), QFont::Bold);
}

QFont Fonts::title2()
{
    return scaled(17.0 / 13.0);
}

QFont Fonts::title3()
{
    return scaled(15.0 / 13.0);
}

QFont Fonts::caption()
{
    return scaled(10.0 / 13.0);
}

QFont Fonts::smallerCaption()
{
    return scaled(9.0 / 13.0);
}

QFont Fonts::monospacedBody()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont reference = body();
    if (reference.pointSizeF() > 0)
        font.setPointSizeF(reference.pointSizeF());
    else
        font.setPixelSize(reference.pixelSize());
    return font;
}

QFont Fonts::withWeight(QFont font, QFont::Weight weight)
{
    font.setWeight(weight);
    return font;
}

qreal Fonts::symbolSize(const QFont &font)
{
    return QFontInfo(font).pixelSize() * symbolScale;
}

qreal Fonts::symbolSizeForPoints(qreal points)
{
    // One point is one device-independent pixel.
    return points * symbolScale;
}
