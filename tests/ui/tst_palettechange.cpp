#include "testmain.h"

#include "uitesthelpers.h"
#include "window/contentview.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QTest>

namespace {

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x26, 0x26, 0x26));
    dark.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Mid, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(0x32, 0x32, 0x32));
    dark.setColor(QPalette::ToolTipText, Qt::white);
    return dark;
}

// Files with a conflict, so the list, its accents and the problem badges are all drawn.
std::unique_ptr<RenameEngine> engineWithFiles()
{
    std::unique_ptr<RenameEngine> engine = UiTest::makeEngine();
    engine->addFiles(UiTest::urlsFor({u"a.txt"_qs, u"b.txt"_qs, u"locked.txt"_qs}));
    UiTest::editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
        operation.mode = RenameMode::replace;
        operation.findText = u"."_qs;
        operation.replaceText = u"-"_qs;
    });
    return engine;
}

struct Shown {
    std::unique_ptr<RenameEngine> engine = engineWithFiles();
    std::unique_ptr<ContentView> view = std::make_unique<ContentView>(engine.get());

    Shown()
    {
        view->resize(900, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    QImage render()
    {
        // The text cursor blinks; without focus anywhere two renderings can match.
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
        QApplication::processEvents();
        return view->grab().toImage();
    }
};

// How many pixels differ, for a message that says how far apart two renderings are.
qsizetype differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return qsizetype(a.width()) * a.height();
    qsizetype count = 0;
    const QImage left = a.convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x)
            count += left.pixel(x, y) != right.pixel(x, y);
    }
    return count;
}

} // namespace

class PaletteChangeTest : public QObject {
    Q_OBJECT

private:
    QPalette m_light;

private Q_SLOTS:
    void initTestCase() { m_light = QApplication::palette(); }
    void cleanup() { QApplication::setPalette(m_light); }

    void windowFollowsThePaletteWhileRunning()
    {
        const QImage light = Shown().render();
        QApplication::setPalette(darkPalette());
        const QImage dark = Shown().render();
        QApplication::setPalette(m_light);
        QVERIFY(differingPixels(light, dark) > 0);

        Shown running; // made light, then switched to dark and back
        QApplication::setPalette(darkPalette());
        const qsizetype fromDark = differingPixels(running.render(), dark);
        QVERIFY2(fromDark == 0,
                 qPrintable(u"%1 pixels differ from a dark window"_qs.arg(fromDark)));
        QApplication::setPalette(m_light);
        const qsizetype fromLight = differingPixels(running.render(), light);
        QVERIFY2(fromLight == 0,
                 qPrintable(u"%1 pixels differ from a light window"_qs.arg(fromLight)));
    }
};

BRISKLET_TEST(PaletteChangeTest)
#include "tst_palettechange.moc"
