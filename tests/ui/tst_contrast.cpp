#include "testmain.h"

#include "filelist/leftalignedfilerow.h"
#include "style/colors.h"
#include "style/schemepalettes.h"

#include <QPalette>

#include <functional>
#include <string_view>

namespace {

using Pick = std::function<QColor(const QPalette &)>;

// A background with a tint of `accent` at `opacity`, as rows, pills, badges and cards have.
struct Tint {
    const char *name;
    Pick accent;
    qreal opacity;
};

QColor tinted(const Tint &tint, const QPalette &palette, const QColor &surface)
{
    return tint.accent ? Colors::composited(Colors::withOpacity(tint.accent(palette), tint.opacity),
                                            surface)
                       : surface;
}

} // namespace

// Every text colour reads at 4.5:1 or more on its backgrounds, in every palette.
class ContrastTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ratios()
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

    // Plain and accent text on the surfaces, the selection and the cards; placeholders, which
    // stand apart from typed text but are read too; the small number badge, white on blue.
    void textReadsOnItsBackgrounds_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("typed"); // the typed text a placeholder must read lighter than

        const QList<std::pair<const char *, Pick>> plainTexts = {
            {"primary text",
             [](const QPalette &p) { return Colors::primaryText(p, QPalette::Text); }},
            {"primary window text", [](const QPalette &p) { return Colors::primaryText(p); }},
            {"secondary text",
             [](const QPalette &p) { return Colors::secondaryText(p, QPalette::Text); }},
            {"secondary window text", [](const QPalette &p) { return Colors::secondaryText(p); }},
        };
        const QList<Tint> plainTints = {{"", nullptr, 0},
                                        {" + selection", &Colors::blue, 0.08},
                                        {" + red card", &Colors::red, 0.05},
                                        {" + orange card", &Colors::orange, 0.05}};
        const QList<std::tuple<const char *, Pick, Pick>> accents = {
            {"blue", &Colors::blue, &Colors::blueText},
            {"red", &Colors::red, &Colors::redText},
            {"orange", &Colors::orange, &Colors::orangeText},
            {"green", &Colors::green, &Colors::greenText},
            {"gray", &Colors::gray,
             [](const QPalette &p) { return Colors::textShade(Colors::gray(p), p); }},
        };
        const QList<std::pair<const char *, QPalette>> palettes = {
            {"light", SchemePalettes::light()},
            {"dark", SchemePalettes::dark()},
            {"platform", QPalette()}};
        const QList<std::pair<const char *, QPalette::ColorRole>> roles = {
            {"Base", QPalette::Base},
            {"Window", QPalette::Window},
            {"AlternateBase", QPalette::AlternateBase}};

        for (const auto &[paletteName, palette] : palettes) {
            const bool ours = paletteName != std::string_view("platform");
            for (const auto &[roleName, role] : roles) {
                const QColor surface = palette.color(role);
                for (const auto &[textName, text] : plainTexts) {
                    for (const Tint &tint : plainTints)
                        QTest::addRow("%s: %s on %s%s", paletteName, textName, roleName, tint.name)
                            << text(palette) << tinted(tint, palette, surface) << QColor();
                }
                for (const auto &[accentName, fill, text] : accents) {
                    for (const Tint &tint :
                         {Tint{"", nullptr, 0}, Tint{" + selection", &Colors::blue, 0.08},
                          Tint{" + own tint", fill, 0.15}})
                        QTest::addRow("%s: %s text on %s%s", paletteName, accentName, roleName,
                                      tint.name)
                            << text(palette) << tinted(tint, palette, surface) << QColor();
                }
                if (ours)
                    QTest::addRow("%s: placeholder on %s", paletteName, roleName)
                        << palette.color(QPalette::PlaceholderText) << surface
                        << palette.color(QPalette::Text);
            }
            // The changed part of a new name in the list, on the row and on the selected row:
            // pending names on blue, the others on their status accent.
            const QColor base = palette.color(QPalette::Base);
            const qreal changed = LeftAlignedFileRow::changedTint(palette);
            for (const bool selected : {false, true}) {
                const QColor row =
                    selected ? tinted({"", &Colors::blue, 0.08}, palette, base) : base;
                QTest::addRow("%s: pending name, changed part%s", paletteName,
                              selected ? ", selected" : "")
                    << Colors::primaryText(palette, QPalette::Text)
                    << tinted({"", &Colors::blue, changed}, palette, row) << QColor();
                for (const auto &[accentName, fill, text] : accents) {
                    QTest::addRow("%s: %s name, changed part%s", paletteName, accentName,
                                  selected ? ", selected" : "")
                        << text(palette) << tinted({"", fill, changed}, palette, row) << QColor();
                }
            }
            if (ours)
                QTest::addRow("%s: number badge", paletteName)
                    << QColor(Qt::white) << Colors::fillUnderWhiteText(Colors::blue(palette))
                    << QColor();
        }
    }

    void textReadsOnItsBackgrounds()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(QColor, typed);
        const qreal ratio = Colors::contrast(text, background);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                              .arg(text.name(QColor::HexArgb), background.name())
                                              .arg(ratio, 0, 'f', 2)));
        // Raised just enough: a placeholder still reads lighter than what is typed.
        if (typed.isValid())
            QVERIFY(Colors::contrast(typed, background) > ratio + 2);
    }
};

#include "tst_contrast.moc"
BRISKLET_TEST(ContrastTest)
