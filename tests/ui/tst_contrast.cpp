#include "testmain.h"

#include "style/colors.h"
#include "style/schemepalettes.h"

#include <QPalette>

#include <functional>

// Every colour text is drawn in must read on everything it is drawn on, at 4.5:1 or more,
// in the light and the dark palette and in the platform's own.
class ContrastTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ratios_data();
    void ratios();
    void textReadsOnItsBackgrounds_data();
    void textReadsOnItsBackgrounds();
    void textShadeKeepsTheHue_data();
    void textShadeKeepsTheHue();
};

namespace {

using Pick = std::function<QColor(const QPalette &)>;

struct NamedPalette {
    const char *name;
    QPalette palette;
};

QList<NamedPalette> palettes()
{
    return {{"light", SchemePalettes::light()},
            {"dark", SchemePalettes::dark()},
            {"platform", QPalette()}};
}

struct Accent {
    const char *name;
    Pick fill;
    Pick text;
};

QList<Accent> accents()
{
    return {
        {"blue", [](const QPalette &p) { return Colors::blue(p); },
         [](const QPalette &p) { return Colors::blueText(p); }},
        {"red", [](const QPalette &p) { return Colors::red(p); },
         [](const QPalette &p) { return Colors::redText(p); }},
        {"orange", [](const QPalette &p) { return Colors::orange(p); },
         [](const QPalette &p) { return Colors::orangeText(p); }},
        {"green", [](const QPalette &p) { return Colors::green(p); },
         [](const QPalette &p) { return Colors::greenText(p); }},
        {"gray", [](const QPalette &p) { return Colors::gray(p); },
         [](const QPalette &p) { return Colors::textShade(Colors::gray(p), p); }},
    };
}

const QList<std::pair<const char *, QPalette::ColorRole>> backgroundRoles = {
    {"Base", QPalette::Base},
    {"Window", QPalette::Window},
    {"AlternateBase", QPalette::AlternateBase}};

// A background with a tint of `accent` at `opacity`, as rows, pills, badges and cards have.
struct Tint {
    const char *name;
    Pick accent;
    qreal opacity;
};

} // namespace

void ContrastTest::ratios_data()
{
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<qreal>("expected");
    QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
    QTest::newRow("white on black") << QColor(Qt::white) << QColor(Qt::black) << 21.0;
    QTest::newRow("same colours") << QColor(0x77, 0x77, 0x77) << QColor(0x77, 0x77, 0x77) << 1.0;
    QTest::newRow("#777 on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
    QTest::newRow("orange on white") << QColor(0xff, 0x95, 0x00) << QColor(Qt::white) << 2.20;
    QTest::newRow("half black on white (#7f7f7f)")
        << QColor(0, 0, 0, 128) << QColor(Qt::white) << 4.00;
    QTest::newRow("transparent on anything") << QColor(0, 0, 0, 0) << QColor(Qt::red) << 1.0;
}

void ContrastTest::ratios()
{
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    QFETCH(qreal, expected);
    QVERIFY2(qAbs(Colors::contrast(foreground, background) - expected) < 0.01,
             qPrintable(QString::number(Colors::contrast(foreground, background))));
}

void ContrastTest::textReadsOnItsBackgrounds_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");

    const auto blue = [](const QPalette &p) { return Colors::blue(p); };
    const auto red = [](const QPalette &p) { return Colors::red(p); };
    const auto orange = [](const QPalette &p) { return Colors::orange(p); };
    const QList<std::pair<const char *, Pick>> plainTexts = {
        {"primary text", [](const QPalette &p) { return Colors::primaryText(p, QPalette::Text); }},
        {"primary window text", [](const QPalette &p) { return Colors::primaryText(p); }},
        {"secondary text",
         [](const QPalette &p) { return Colors::secondaryText(p, QPalette::Text); }},
        {"secondary window text", [](const QPalette &p) { return Colors::secondaryText(p); }},
    };
    // Plain text sits on selected rows and on the problem cards as well as on the surfaces.
    const QList<Tint> plainTints = {{"", nullptr, 0},
                                    {" + selection", blue, 0.08},
                                    {" + red card", red, 0.05},
                                    {" + orange card", orange, 0.05}};

    for (const NamedPalette &named : palettes()) {
        const QPalette &palette = named.palette;
        for (const auto &[roleName, role] : backgroundRoles) {
            const QColor surface = palette.color(role);
            for (const auto &[textName, text] : plainTexts) {
                for (const Tint &tint : plainTints) {
                    const QColor background =
                        tint.accent
                            ? Colors::composited(
                                  Colors::withOpacity(tint.accent(palette), tint.opacity), surface)
                            : surface;
                    QTest::addRow("%s: %s on %s%s", named.name, textName, roleName, tint.name)
                        << text(palette) << background;
                }
            }
            // Accent text: new names (also on selected rows), pills, badges and buttons.
            for (const Accent &accent : accents()) {
                const QList<std::pair<const char *, QColor>> backgrounds = {
                    {"", surface},
                    {" + selection",
                     Colors::composited(Colors::withOpacity(Colors::blue(palette), 0.08), surface)},
                    {" + own tint",
                     Colors::composited(Colors::withOpacity(accent.fill(palette), 0.15), surface)},
                };
                for (const auto &[tintName, background] : backgrounds)
                    QTest::addRow("%s: %s text on %s%s", named.name, accent.name, roleName,
                                  tintName)
                        << accent.text(palette) << background;
            }
        }
    }
}

void ContrastTest::textReadsOnItsBackgrounds()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    const qreal ratio = Colors::contrast(text, background);
    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                          .arg(text.name(QColor::HexArgb), background.name())
                                          .arg(ratio, 0, 'f', 2)));
}

void ContrastTest::textShadeKeepsTheHue_data()
{
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<bool>("darker");
    for (const NamedPalette &named : palettes()) {
        for (const Accent &accent : accents()) {
            if (QLatin1String(accent.name) == QLatin1String("gray"))
                continue; // no hue to keep
            QTest::addRow("%s %s", named.name, accent.name)
                << accent.fill(named.palette) << accent.text(named.palette)
                << !Colors::isDark(named.palette);
        }
    }
}

void ContrastTest::textShadeKeepsTheHue()
{
    QFETCH(QColor, fill);
    QFETCH(QColor, text);
    QFETCH(bool, darker);
    QVERIFY2(qAbs(fill.hslHue() - text.hslHue()) <= 3,
             qPrintable(fill.name() + u' ' + text.name()));
    if (darker)
        QVERIFY(text.lightness() < fill.lightness());
    else
        QVERIFY(text.lightness() >= fill.lightness());
}

#include "tst_contrast.moc"
BRISKLET_TEST(ContrastTest)
