#pragma once

#include <QFont>

// Text styles derived from the application font, which stands for the body size: when the
// user enlarges the desktop font, every style grows with it.
class Fonts {
public:
    static QFont body();
    static QFont headline();
    // The second- and third-level title sizes.
    static QFont title2();
    static QFont title3();
    static QFont caption();
    static QFont smallerCaption();
    // The system's fixed-width font at the body size.
    static QFont monospacedBody();

    // A copy of `font` with another weight.
    static QFont withWeight(QFont font, QFont::Weight weight);
    // The height in device-independent pixels that a symbol drawn "in" this font gets.
    static qreal symbolSize(const QFont &font);
    // The same for a symbol drawn in the system font at a fixed size in points.
    static qreal symbolSizeForPoints(qreal points);

private:
    static QFont scaled(qreal factor);
};
