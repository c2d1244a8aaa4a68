#pragma once

#include <QColor>
#include <QPalette>

// The named colours of the views. The accents are fixed values with a light and a dark
// variant; text and backgrounds come from the application palette so that a dark desktop
// theme carries through.
class Colors {
public:
    static QColor blue(const QPalette &palette = current());
    static QColor red(const QPalette &palette = current());
    static QColor orange(const QPalette &palette = current());
    static QColor green(const QPalette &palette = current());
    static QColor gray(const QPalette &palette = current());

    // The accents as text: on a light palette a darker shade of the same hue, on a dark one
    // the accent itself unless it is too dim (see textShade). Fills, icons and outlines keep
    // the accents above.
    static QColor blueText(const QPalette &palette = current());
    static QColor redText(const QPalette &palette = current());
    static QColor orangeText(const QPalette &palette = current());
    static QColor greenText(const QPalette &palette = current());
    // `accent` in the same hue, darkened on a light palette (lightened on a dark one) just
    // enough for text to reach a contrast of 4.5:1 on the palette's Base, Window and
    // AlternateBase, also where those carry a faint tint of the accent.
    static QColor textShade(const QColor &accent, const QPalette &palette = current());

    // Text at full, secondary (dimmed) and tertiary (faint) strength; the tertiary one is for
    // glyphs, too faint for words. `role` picks the text
    // colour for what the text stands on: WindowText on window backgrounds, Text on lists.
    static QColor primaryText(const QPalette &palette = current(),
                              QPalette::ColorRole role = QPalette::WindowText);
    static QColor secondaryText(const QPalette &palette = current(),
                                QPalette::ColorRole role = QPalette::WindowText);
    static QColor tertiaryText(const QPalette &palette = current(),
                               QPalette::ColorRole role = QPalette::WindowText);
    // Placeholder text: the palette's Text, faded no further than 4.5:1 allows on Base,
    // Window and AlternateBase, where text fields stand.
    static QColor placeholderText(const QPalette &palette);
    // A fill in the hue of `accent` under white text: the accent itself, darkened just
    // enough for the white to reach 4.5:1.
    static QColor fillUnderWhiteText(const QColor &accent);

    static QColor windowBackground(const QPalette &palette = current());
    static QColor controlBackground(const QPalette &palette = current());
    static QColor textBackground(const QPalette &palette = current());

    // The colour with its alpha multiplied by `opacity`.
    static QColor withOpacity(QColor color, qreal opacity);
    // Whether the palette is a dark one, which selects the dark variants of the accents.
    static bool isDark(const QPalette &palette);
    // The relative luminance of an opaque colour and the contrast ratio of `foreground` over
    // `background` (the foreground's alpha composited first), as the web accessibility
    // guidelines define them.
    static qreal luminance(const QColor &color);
    static qreal contrast(const QColor &foreground, const QColor &background);
    // `color` drawn with its alpha over an opaque `background`.
    static QColor composited(const QColor &color, const QColor &background);

private:
    static QPalette current();
    static QColor walkedTextShade(const QColor &accent, const QPalette &palette);
};
