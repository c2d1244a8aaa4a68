#include "style/colors.h"

#include <QGuiApplication>
#include <QtMath>

#include <algorithm>
#include <array>

namespace {

QColor accent(const QPalette &palette, QRgb light, QRgb dark)
{
    return QColor::fromRgb(Colors::isDark(palette) ? dark : light);
}

constexpr qreal readableContrast = 4.5;
// What text fields, cards and lists stand on.
constexpr QPalette::ColorRole surfaces[] = {QPalette::Base, QPalette::Window,
                                            QPalette::AlternateBase};
// The tints text in an accent sits on: badges, pills and problem cards.
constexpr qreal strongestTint = 0.15;

qreal linear(qreal channel)
{
    return channel <= 0.04045 ? channel / 12.92 : qPow((channel + 0.055) / 1.055, 2.4);
}

// The lowest contrast of `text` on the backgrounds it may be drawn on.
qreal worstContrast(const QColor &text, const QColor &accent, const QPalette &palette)
{
    qreal worst = 21;
    for (const QPalette::ColorRole role : surfaces) {
        const QColor background = palette.color(role);
        const QColor tinted =
            Colors::composited(Colors::withOpacity(accent, strongestTint), background);
        worst =
            std::min({worst, Colors::contrast(text, background), Colors::contrast(text, tinted)});
    }
    return worst;
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

QColor Colors::blueText(const QPalette &palette)
{
    return textShade(blue(palette), palette);
}

QColor Colors::redText(const QPalette &palette)
{
    return textShade(red(palette), palette);
}

QColor Colors::orangeText(const QPalette &palette)
{
    return textShade(orange(palette), palette);
}

QColor Colors::greenText(const QPalette &palette)
{
    return textShade(green(palette), palette);
}

QColor Colors::textShade(const QColor &accent, const QPalette &palette)
{
    // Every painted row of a list asks again, with the same few accents on the same
    // backgrounds: the last answers are kept.
    struct Shade {
        QColor accent;
        QColor base;
        QColor window;
        QColor alternateBase;
        QColor shade;
    };
    thread_local std::array<Shade, 8> known;
    thread_local std::size_t knownCount = 0;
    thread_local std::size_t nextSlot = 0;
    const QColor &base = palette.color(QPalette::Base);
    const QColor &window = palette.color(QPalette::Window);
    const QColor &alternateBase = palette.color(QPalette::AlternateBase);
    for (std::size_t i = 0; i < knownCount; ++i) {
        const Shade &entry = known[i];
        if (entry.accent == accent && entry.base == base && entry.window == window &&
            entry.alternateBase == alternateBase)
            return entry.shade;
    }
    const QColor shade = walkedTextShade(accent, palette);
    known[nextSlot] = Shade{accent, base, window, alternateBase, shade};
    nextSlot = (nextSlot + 1) % known.size();
    knownCount = std::min(knownCount + 1, known.size());
    return shade;
}

QColor Colors::walkedTextShade(const QColor &accent, const QPalette &palette)
{
    // Walk the lightness away from the backgrounds, keeping hue and saturation, until the
    // text reads; usually a few dozen steps on a light palette and none on a dark one.
    const int step = isDark(palette) ? 1 : -1;
    QColor shade = accent.toHsl();
    while (worstContrast(shade, accent, palette) < readableContrast) {
        const int lightness = shade.lightness() + step;
        if (lightness < 0 || lightness > 255)
            break;
        shade.setHsl(shade.hslHue(), shade.hslSaturation(), lightness, shade.alpha());
    }
    return shade.toRgb();
}

QColor Colors::primaryText(const QPalette &palette, QPalette::ColorRole role)
{
    return palette.color(role);
}

QColor Colors::secondaryText(const QPalette &palette, QPalette::ColorRole role)
{
    // Dimmed, yet still 4.5:1 on the surfaces and their faint tints in both palettes.
    return withOpacity(palette.color(role), 0.65);
}

QColor Colors::placeholderText(const QPalette &palette)
{
    // Half strength, as the platforms have it, is 3.8 to 4:1 on these surfaces: faded only
    // as far as reading allows, it still stands apart from typed text.
    const QColor text = palette.color(QPalette::Text);
    for (int percent = 50; percent < 100; ++percent) {
        const QColor faded = withOpacity(text, percent / 100.0);
        const bool readable =
            std::all_of(std::begin(surfaces), std::end(surfaces), [&](QPalette::ColorRole role) {
                return contrast(faded, palette.color(role)) >= readableContrast;
            });
        if (readable)
            return faded;
    }
    return text;
}

QColor Colors::fillUnderWhiteText(const QColor &accent)
{
    QColor fill = accent.toHsl();
    while (contrast(Qt::white, fill) < readableContrast && fill.lightness() > 0)
        fill.setHsl(fill.hslHue(), fill.hslSaturation(), fill.lightness() - 1, fill.alpha());
    return fill.toRgb();
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

qreal Colors::luminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

qreal Colors::contrast(const QColor &foreground, const QColor &background)
{
    const qreal a = luminance(composited(foreground, background));
    const qreal b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor Colors::composited(const QColor &color, const QColor &background)
{
    const QColor top = color.toRgb();
    const QColor bottom = background.toRgb();
    const qreal alpha = top.alphaF();
    const auto mix = [alpha](qreal over, qreal under) {
        return over * alpha + under * (1 - alpha);
    };
    return QColor::fromRgbF(static_cast<float>(mix(top.redF(), bottom.redF())),
                            static_cast<float>(mix(top.greenF(), bottom.greenF())),
                            static_cast<float>(mix(top.blueF(), bottom.blueF())));
}
