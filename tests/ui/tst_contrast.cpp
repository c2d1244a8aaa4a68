#include "testmain.h"

#include "style/colors.h"
#include "style/schemepalettes.h"

#include <QPalette>

#include <functional>

// Every text colour reads at 4.5:1 or more on its backgrounds, in every palette.
class ContrastTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ratios();
    void textReadsOnItsBackgrounds_data();
    void textReadsOnItsBackgrounds();
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

void ContrastTest::ratios()
{
    const auto ratio = [](QColor text, QColor background) {
        return qRound(Colors::contrast(text, background) * 100);
    };
    QCOMPARE(ratio(Qt::black, Qt::white), 2100);
    QCOMPARE(ratio(Qt::white, Qt::black), 2100);
    QCOMPARE(ratio(QColor(0x77, 0x77, 0x77), Qt::white), 448);
    QCOMPARE(ratio(QColor(0, 0, 0, 128), Qt::white), 400); // composited: #7f7f7f
    QCOMPARE(ratio(QColor(0, 0, 0, 0), Qt::red), 100);
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

#include "tst_contrast.moc"
BRISKLET_TEST(ContrastTest)
