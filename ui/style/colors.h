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

    // Text at full, secondary (dimmed) and tertiary (faint) strength. `role` picks the text
    // colour for what the text stands on: WindowText on window backgrounds, Text on lists.
    static QColor primaryText(const QPalette &palette = current(),
                              QPalette::ColorRole role = QPalette::WindowText);
    static QColor secondaryText(const QPalette &palette = current(),
                                QPalette::ColorRole role = QPalette::WindowText);
    static QColor tertiaryText(const QPalette &palette = current(),
                               QPalette::ColorRole role = QPalette::WindowText);

    static QColor windowBackground(const QPalette &palette = current());
    static QColor controlBackground(const QPalette &palette = current());
    static QColor textBackground(const QPalette &palette = current());

    // The colour with its alpha multiplied by `opacity`.
    static QColor withOpacity(QColor color, qreal opacity);
    // Whether the palette is a dark one, which selects the dark variants of the accents.
    static bool isDark(const QPalette &palette);

private:
    static QPalette current();
};
