#include "colors.h"
#include "icons.h"
#include "inlineoperationeditor.h"
#include "leftalignedfilelistview.h"
#include "minimalistbutton.h"
#include "modernbuttonstyle.h"
#include "modernfiledropzone.h"
#include "operationbinding.h"
#include "optionlabel.h"
#include "roundedtextfieldstyle.h"
#include "statusbadge.h"
#include "testregistry.h"
#include "uitesthelpers.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace UiTest;

// Renders every view to PNG files so that people can look at them. Runs only when
// BRISKLET_SHOTS_DIR names the folder to write to (scripts/render-views sets it).
class RenderViewsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fileList();
    void dropZone();
    void controls();
    void operationCards();
    void withoutIconFont();

private:
    void save(QWidget *widget, const QString &name);
    // A window-coloured frame with some room around the widget, as it would sit in the window.
    static std::unique_ptr<QWidget> framed(QWidget *content, int width = -1);

    QDir m_folder;
};

void RenderViewsTest::initTestCase()
{
    const QString folder = qEnvironmentVariable("BRISKLET_SHOTS_DIR");
    if (folder.isEmpty())
        QSKIP("Set BRISKLET_SHOTS_DIR to render the views");
    QVERIFY(QDir().mkpath(folder));
    m_folder = QDir(folder);
}

void RenderViewsTest::save(QWidget *widget, const QString &name)
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    QCoreApplication::processEvents();
    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    QVERIFY2(widget->grab().save(path), qPrintable(path));
}

std::unique_ptr<QWidget> RenderViewsTest::framed(QWidget *content, int width)
{
    auto frame = std::make_unique<QWidget>();
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Window);
    auto *layout = new QVBoxLayout(frame.get());
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(content);
    if (width > 0)
        frame->setFixedWidth(width);
    frame->adjustSize();
    return frame;
}

void RenderViewsTest::fileList()
{
    auto engine = makeEngine();
    engine->addFiles(urlsFor({
        QStringLiteral("IMG_0001.JPG"),
        QStringLiteral("IMG_0002.jpg"),
        QStringLiteral("A very long file name that goes on and on for quite a while, draft 12 "
                       "of the annual report, IMG final.pdf"),
        QStringLiteral("IMG_0003.png"),
        QStringLiteral("Photo_0003.png"),
        QStringLiteral("meeting: IMG notes.md"),
        QStringLiteral("locked IMG clip.mov"),
        QStringLiteral("IMG archive.tar.gz"),
        QStringLiteral("IMG script.py"),
        QStringLiteral("IMG song.flac"),
        QStringLiteral("README"),
    }));
    editFirstOperation(*engine, [](RenameOperationWrapper &operation) {
        operation.findText = QStringLiteral("IMG");
        operation.replaceText = QStringLiteral("Photo");
    });
    engine->toggleSelection(engine->files().at(1).id);

    for (const int width : {900, 560, 1300}) {
        LeftAlignedFileListView view(engine.get());
        view.resize(width, 12 * 53);
        save(&view, QStringLiteral("list-preview-%1").arg(width));
    }

    // After renaming: renamed rows turn green, a failed move turns red, problems stay.
    engine->performRename();
    LeftAlignedFileListView after(engine.get());
    after.resize(900, 12 * 53);
    save(&after, QStringLiteral("list-after-rename"));
}

void RenderViewsTest::dropZone()
{
    auto engine = makeEngine();
    for (const bool targeted : {false, true}) {
        ModernFileDropZone zone(engine.get());
        zone.setTargeted(targeted);
        zone.resize(640, 520);
        save(&zone, targeted ? QStringLiteral("dropzone-targeted") : QStringLiteral("dropzone"));
    }
}

void RenderViewsTest::controls()
{
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setSpacing(16);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const struct {
        const char16_t *icon;
        const char16_t *label;
        QColor color;
        bool hovered;
        bool enabled;
    } minimalist[] = {
        {u"plus.circle.fill", u"Add", Colors::blue(), false, true},
        {u"plus.circle.fill", u"Add", Colors::blue(), true, true},
        {u"minus.circle.fill", u"Remove", Colors::red(), false, false},
        {u"xmark.circle.fill", u"Clear", Colors::orange(), true, true},
        {u"checkmark.circle", u"Deselect All", Colors::gray(), true, true},
    };
    for (const auto &entry : minimalist) {
        auto *button = new MinimalistButton(QString::fromUtf16(entry.icon),
                                            QString::fromUtf16(entry.label), entry.color);
        button->setHoveredImmediately(entry.hovered);
        button->setEnabled(entry.enabled);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto *badges = new QHBoxLayout;
    badges->setSpacing(8);
    badges->addWidget(new StatusBadge(QStringLiteral("exclamationmark.triangle.fill"), 3,
                                      QStringLiteral("conflict"), Colors::orange()));
    badges->addWidget(new StatusBadge(QStringLiteral("xmark.circle.fill"), 12,
                                      QStringLiteral("error"), Colors::red()));
    badges->addStretch(1);
    column->addLayout(badges);

    auto *modern = new QHBoxLayout;
    auto *addOperation = new QPushButton(QStringLiteral("Add Operation"));
    addOperation->setIcon(Icons::icon(QStringLiteral("plus.circle"), Colors::secondaryText()));
    ModernButtonStyle::apply(addOperation, Colors::secondaryText());
    addOperation->setFixedHeight(44);
    modern->addWidget(addOperation, 1);
    auto *pressed = new QPushButton(QStringLiteral("Pressed"));
    ModernButtonStyle::apply(pressed, Colors::blue());
    pressed->setDown(true);
    pressed->setProperty("modernButtonScale", ModernButtonStyle::pressedScale);
    modern->addWidget(pressed);
    column->addLayout(modern);

    column->addWidget(new OptionLabel(QStringLiteral("Replace With")));
    auto *field = new QLineEdit;
    field->setPlaceholderText(QStringLiteral("Text to find"));
    RoundedTextFieldStyle::apply(field);
    column->addWidget(field);
    auto *filled = new QLineEdit(QStringLiteral("holiday 2024"));
    RoundedTextFieldStyle::apply(filled);
    column->addWidget(filled);

    auto frame = framed(content, 520);
    save(frame.get(), QStringLiteral("controls"));
}

void RenderViewsTest::operationCards()
{
    auto engine = makeEngine();
    engine->addOperation();
    struct Shot {
        QString name;
        std::function<void(RenameOperationWrapper &)> setUp;
    };
    const QList<Shot> shots = {
        {QStringLiteral("replace"),
         [](RenameOperationWrapper &op) {
             op.findText = QStringLiteral("IMG_");
             op.caseSensitive = true;
         }},
        {QStringLiteral("regex"),
         [](RenameOperationWrapper &op) {
             op.mode = RenameMode::regex;
             op.regexPattern = QStringLiteral("(\\d+)-(\\d+)");
         }},
        {QStringLiteral("trim-spaces"),
         [](RenameOperationWrapper &op) { op.mode = RenameMode::trim; }},
        {QStringLiteral("trim-custom"),
         [](RenameOperationWrapper &op) {
             op.mode = RenameMode::trim;
             op.trimType = TrimType::customCharacters;
         }},
        {QStringLiteral("trim-count"),
         [](RenameOperationWrapper &op) {
             op.mode = RenameMode::trim;
             op.trimType = TrimType::characterCount;
             op.trimCount = 1200;
             op.trimPosition = TrimPosition::both;
         }},
        {QStringLiteral("append"),
         [](RenameOperationWrapper &op) { op.mode = RenameMode::append; }},
        {QStringLiteral("prepend"),
         [](RenameOperationWrapper &op) { op.mode = RenameMode::prepend; }},
        {QStringLiteral("changecase"),
         [](RenameOperationWrapper &op) {
             op.mode = RenameMode::changeCase;
             op.caseType = CaseType::titleCase;
         }},
        {QStringLiteral("sequence"),
         [](RenameOperationWrapper &op) { op.mode = RenameMode::sequence; }},
        {QStringLiteral("sequence-original"),
         [](RenameOperationWrapper &op) {
             op.mode = RenameMode::sequence;
             op.useOriginalName = true;
             op.sequencePadding = 6;
             op.sequenceLocation = SequenceLocation::before;
         }},
    };
    for (const Shot &shot : shots) {
        RenameOperationWrapper operation;
        shot.setUp(operation);
        engine->setOperation(1, operation);
        auto *card =
            new InlineOperationEditor(OperationBinding::toEngine(engine.get(), 1), 1, true, {}, {});
        auto frame = framed(card, 340);
        save(frame.get(), QStringLiteral("card-") + shot.name);
    }
    auto *single =
        new InlineOperationEditor(OperationBinding::toEngine(engine.get(), 0), 0, false, {}, {});
    auto frame = framed(single, 340);
    save(frame.get(), QStringLiteral("card-alone"));
}

void RenderViewsTest::withoutIconFont()
{
    const QString family = Icons::fontFamily();
    Icons::setFontFamily(QString());
    auto engine = makeEngine();
    engine->addFiles(urlsFor({QStringLiteral("a.jpg"), QStringLiteral("b.txt")}));
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->addWidget(new MinimalistButton(QStringLiteral("plus.circle.fill"),
                                           QStringLiteral("Add"), Colors::blue()));
    column->addWidget(new StatusBadge(QStringLiteral("xmark.circle.fill"), 2,
                                      QStringLiteral("error"), Colors::red()));
    column->addWidget(
        new InlineOperationEditor(OperationBinding::toEngine(engine.get(), 0), 0, true, {}, {}));
    auto frame = framed(content, 360);
    save(frame.get(), QStringLiteral("no-icon-font"));
    Icons::setFontFamily(family);
}

BRISKLET_TEST(RenderViewsTest)
#include "tst_renderviews.moc"
