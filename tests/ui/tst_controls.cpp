#include "colors.h"
#include "fonts.h"
#include "icons.h"
#include "minimalistbutton.h"
#include "modernbuttonstyle.h"
#include "optionlabel.h"
#include "statusbadge.h"
#include "testregistry.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QPushButton>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySymbolHasAGlyph();
    void missingIconFontFallsBackToText();
    void optionLabelShowsCapitals_data();
    void optionLabelShowsCapitals();
    void minimalistButtonRevealsCaptionOnHover();
    void minimalistButtonRunsItsAction();
    void modernButtonShrinksWhileHeld_data();
    void modernButtonShrinksWhileHeld();
    void statusBadgeGrowsWithItsCount();
    void accentsFollowTheTheme();
};

void ControlsTest::everySymbolHasAGlyph()
{
    if (!Icons::isAvailable())
        QSKIP("The icon font is not installed");
    const QRawFont font = QRawFont::fromFont(Icons::font(24));
    QVERIFY(font.isValid());
    for (const QString &symbol : Icons::symbolNames()) {
        const QString glyph = Icons::glyph(symbol);
        QCOMPARE(glyph.size(), 1);
        QVERIFY2(font.supportsCharacter(glyph.at(0)), qPrintable(symbol));
    }
    QVERIFY(Icons::glyph(QStringLiteral("no.such.symbol")).isEmpty());
    QVERIFY(!Icons::icon(QStringLiteral("paperplane.fill"), Colors::blue()).isNull());
}

void ControlsTest::missingIconFontFallsBackToText()
{
    const QString family = Icons::fontFamily();
    Icons::setFontFamily(QString());
    MinimalistButton button(QStringLiteral("plus.circle.fill"), QStringLiteral("Add"),
                            Colors::blue());
    StatusBadge badge(QStringLiteral("xmark.circle.fill"), 7, QStringLiteral("error"),
                      Colors::red());
    const bool iconIsNull =
        Icons::icon(QStringLiteral("plus.circle.fill"), Colors::blue()).isNull();
    const QSize buttonSize = button.sizeHint();
    const QImage image = button.grab().toImage();
    Icons::setFontFamily(family);

    QVERIFY(iconIsNull);
    // The caption takes the icon's place at rest, so the button is never blank.
    const qreal caption = QFontMetricsF(Fonts::body()).horizontalAdvance(QStringLiteral("Add"));
    QVERIFY(buttonSize.width() >= caption + 16);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += image.pixelColor(x, y).alpha() > 200 ? 1 : 0;
    QVERIFY(inked > 10);
    QVERIFY(badge.sizeHint().width() > 16);
}

void ControlsTest::optionLabelShowsCapitals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two words") << "Replace With"
                               << "REPLACE WITH";
    QTest::newRow("already capitals") << "UPPERCASE"
                                      << "UPPERCASE";
    QTest::newRow("sharp s") << "Straße"
                             << "STRASSE";
}

void ControlsTest::optionLabelShowsCapitals()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    OptionLabel label(text);
    QCOMPARE(label.text(), text);
    QCOMPARE(label.displayText(), shown);
    QCOMPARE(label.sizeHint().height(), QFontMetrics(Fonts::caption()).height());
}

void ControlsTest::minimalistButtonRevealsCaptionOnHover()
{
    if (!Icons::isAvailable())
        QSKIP("Without the icon font the caption is always shown");
    MinimalistButton button(QStringLiteral("xmark.circle.fill"), QStringLiteral("Clear"),
                            Colors::orange());
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const int resting = button.sizeHint().width();

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), button.mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(button.isHovered());
    QTRY_COMPARE(button.hoverProgress(), 1.0);
    const qreal caption = QFontMetricsF(Fonts::body()).horizontalAdvance(QStringLiteral("Clear"));
    // Caption, the 6 between icon and caption, and 2 more padding on each side.
    QVERIFY(qAbs(button.sizeHint().width() - resting - (caption + 6 + 4)) <= 1.0);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QVERIFY(!button.isHovered());
    QTRY_COMPARE(button.hoverProgress(), 0.0);
    QCOMPARE(button.sizeHint().width(), resting);
}

void ControlsTest::minimalistButtonRunsItsAction()
{
    int runs = 0;
    MinimalistButton button(QStringLiteral("plus.circle.fill"), QStringLiteral("Add"),
                            Colors::blue(), [&runs] { ++runs; });
    button.resize(button.sizeHint());
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(runs, 1);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(runs, 1);
}

void ControlsTest::modernButtonShrinksWhileHeld_data()
{
    QTest::addColumn<bool>("releaseInside");
    QTest::newRow("click completes") << true;
    QTest::newRow("released outside") << false;
}

void ControlsTest::modernButtonShrinksWhileHeld()
{
    QFETCH(bool, releaseInside);
    QPushButton button(QStringLiteral("Add Operation"));
    ModernButtonStyle::apply(&button, Colors::gray());
    button.resize(200, 44);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QCOMPARE(ModernButtonStyle::pressScale(&button), 1.0);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(100, 22));
    QTRY_COMPARE(ModernButtonStyle::pressScale(&button), ModernButtonStyle::pressedScale);
    if (releaseInside) {
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(100, 22));
    } else {
        QTest::mouseMove(&button, QPoint(500, 300));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(500, 300));
    }
    QTRY_COMPARE(ModernButtonStyle::pressScale(&button), 1.0);
    QCOMPARE(clicked.count(), releaseInside ? 1 : 0);

    // Padding of 12 across and 6 down around the label.
    const QSize label = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
    QCOMPARE(button.sizeHint(), label + QSize(24, 12));
}

void ControlsTest::statusBadgeGrowsWithItsCount()
{
    StatusBadge badge(QStringLiteral("exclamationmark.triangle.fill"), 3,
                      QStringLiteral("conflict"), Colors::orange());
    const int narrow = badge.sizeHint().width();
    badge.setCount(1234);
    QVERIFY(badge.sizeHint().width() > narrow);
    QCOMPARE(badge.accessibleName(), QStringLiteral("1234 conflict"));
}

void ControlsTest::accentsFollowTheTheme()
{
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    QCOMPARE(Colors::blue(light), QColor(0x00, 0x7a, 0xff));
    QCOMPARE(Colors::blue(dark), QColor(0x0a, 0x84, 0xff));
    QCOMPARE(Colors::red(dark), QColor(0xff, 0x45, 0x3a));
    QCOMPARE(Colors::secondaryText(light, QPalette::Text).alphaF(), 0.55f);
}

BRISKLET_TEST(ControlsTest)
#include "tst_controls.moc"
