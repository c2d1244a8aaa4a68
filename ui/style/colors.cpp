#include "style/colors.h"

#include <QGuiApplication>

namespace {

QColor accent(const QPalette &palette, QRgb light, QRgb dark)
{
    return QColor::fromRgb(Colors::isDark(palette) ? dark : light);
}

} // namespace

QPalette Colors::current()
{
    return QGuiApplication::palette();
}

bool Colors::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor Colors::blue(const QPalette &palette)
{
    return accent(palette, 0xff007aff, 0xff0a84ff);
}

QColor Colors::red(const QPalette &palette)
{
    return accent(palette, 0xffff3b30, 0xffff453a);
}

QColor Colors::orange(const QPalette &palette)
{
    return accent(palette, 0xffff9500, 0xffff9f0a);
}

QColor Colors::green(const QPalette &palette)
{
    return accent(palette, 0xff34c759, 0xff30d158);
}

QColor Colors::gray(const QPalette &palette)
{
    return accent(palette, 0xff8e8e93, 0xff98989d);
}

QColor Colors::primaryText(const QPalette &palette, QPalette::ColorRole role)
{
    return palette.color(role);
}

QColor Colors::secondaryText(const QPalette &palette, QPalette::ColorRole role)
{
    return withOpacity(palette.color(role), 0.55);
}

QColor Colors::tertiaryText(const QPalette &palette, QPalette::ColorRole role)
{
    return withOpacity(palette.color(role), 0.25);
}

QColor Colors::windowBackground(const QPalette &palette)
{
    return palette.color(QPalette::Window);
}

QColor Colors::controlBackground(const QPalette &palette)
{
    // Controls sit on the window background; the alternate base is the palette's lighter
    // (or, in dark themes, raised) surface for them, where Button often equals Window.
    return palette.color(QPalette::AlternateBase);
}

QColor Colors::textBackground(const QPalette &palette)
{
    return palette.color(QPalette::Base);
}

QColor Colors::withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * static_cast<float>(opacity));
    return color;
}
