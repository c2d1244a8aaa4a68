#include "style/icons.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>

#include <optional>

namespace {

// Symbol names on the left, Material Icons code points on the right. The glyphs were chosen
// for shape, not name: "exclamationmark.circle.fill" is the filled circle with a bang.
struct Entry {
    const char16_t *symbol;
    char16_t codePoint;
};

constexpr Entry table[] = {
    {u"archivebox.fill", 0xe1a1},                         // inventory_2
    {u"arrow.right", 0xe5c8},                             // arrow_forward
    {u"arrow.up.arrow.down", 0xe164},                     // sort
    {u"arrow.uturn.backward.circle", 0xe166},             // undo
    {u"checkmark.circle", 0xe92d},                        // check_circle_outline
    {u"checkmark.circle.fill", 0xe86c},                   // check_circle
    {u"chevron.down", 0xe5cf},                            // expand_more
    {u"chevron.left.forwardslash.chevron.right", 0xe86f}, // code
    {u"chevron.right", 0xe5cc},                           // chevron_right
    {u"chevron.up.chevron.down", 0xe5d7},                 // unfold_more
    {u"doc.badge.plus", 0xe89c},                          // note_add
    {u"doc.fill", 0xe24d},                                // insert_drive_file
    {u"doc.plaintext.fill", 0xf1c6},                      // text_snippet
    {u"doc.text", 0xef42},                                // article
    {u"doc.text.fill", 0xe873},                           // description
    {u"exclamationmark.circle.fill", 0xe000},             // error
    {u"exclamationmark.triangle.fill", 0xe002},           // warning
    {u"folder.fill", 0xe2c7},                             // folder
    {u"globe", 0xe80b},                                   // public
    {u"list.number", 0xe242},                             // format_list_numbered
    {u"minus", 0xe15b},                                   // remove
    {u"minus.circle.fill", 0xe15c},                       // remove_circle
    {u"music.note", 0xe405},                              // music_note
    {u"paperplane.fill", 0xe163},                         // send
    {u"pencil", 0xe3c9},                                  // edit
    {u"photo.fill", 0xe410},                              // photo
    {u"photo.stack.fill", 0xe413},                        // photo_library
    {u"plus", 0xe145},                                    // add
    {u"plus.circle", 0xe148},                             // add_circle_outline
    {u"plus.circle.fill", 0xe147},                        // add_circle
    {u"slider.horizontal.3", 0xe429},                     // tune
    {u"square.and.arrow.down.fill", 0xe171},              // save_alt
    {u"trash", 0xe92e},                                   // delete_outline
    {u"video.fill", 0xe04b},                              // videocam
    {u"xmark", 0xe5cd},                                   // close
    {u"xmark.circle.fill", 0xe5c9},                       // cancel
};

const QHash<QString, QString> &glyphs()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> result;
        for (const Entry &entry : table)
            result.insert(QString::fromUtf16(entry.symbol), QString(QChar(entry.codePoint)));
        return result;
    }();
    return map;
}

const QString installedFamily = QStringLiteral("Material Icons");

// Where Debian's package puts the font, for systems where fontconfig has not indexed it.
const char16_t *const fontFiles[] = {
    u"/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf",
    u"/usr/local/share/fonts/MaterialIcons-Regular.ttf",
};

std::optional<QString> &chosenFamily()
{
    static std::optional<QString> family;
    return family;
}

QString findFamily()
{
    if (QFontDatabase::families().contains(installedFamily))
        return installedFamily;
    for (const char16_t *file : fontFiles) {
        const QString path = QString::fromUtf16(file);
        if (!QFileInfo::exists(path))
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            return families.first();
    }
    return QString();
}

const QString &family()
{
    std::optional<QString> &chosen = chosenFamily();
    if (!chosen)
        chosen = findFamily();
    return *chosen;
}

} // namespace

QString Icons::glyph(const QString &symbolName)
{
    return glyphs().value(symbolName);
}

bool Icons::isAvailable()
{
    return !family().isEmpty();
}

QFont Icons::font(qreal pixelSize)
{
    QFont result = isAvailable() ? QFont(family()) : QGuiApplication::font();
    result.setPixelSize(qMax(1, qRound(pixelSize)));
    result.setStyleStrategy(QFont::NoFontMerging);
    result.setHintingPreference(QFont::PreferNoHinting);
    return result;
}

void Icons::paint(QPainter *painter, const QRectF &rect, const QString &symbolName,
                  const QColor &color, qreal pixelSize)
{
    const QString text = glyph(symbolName);
    if (text.isEmpty() || !isAvailable())
        return;
    painter->save();
    painter->setFont(font(pixelSize));
    painter->setPen(color);
    painter->drawText(rect, Qt::AlignCenter, text);
    painter->restore();
}

QIcon Icons::icon(const QString &symbolName, const QColor &color, int pixelSize)
{
    if (glyph(symbolName).isEmpty() || !isAvailable())
        return QIcon();
    QIcon result;
    // Two densities so that the icon stays sharp on high-density screens.
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(pixelSize, pixelSize) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paint(&painter, QRectF(0, 0, pixelSize, pixelSize), symbolName, color, pixelSize);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

void Icons::setFontFamily(const QString &fontFamilyName)
{
    chosenFamily() = fontFamilyName;
}

QString Icons::fontFamily()
{
    return family();
}

QStringList Icons::symbolNames()
{
    QStringList names;
    for (const Entry &entry : table)
        names.append(QString::fromUtf16(entry.symbol));
    return names;
}
