#include "appcastparser.h"

#include "versioncomparator.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

constexpr QStringView sparkleNamespace = u"http://www.andymatuschak.org/xml-namespaces/sparkle";
constexpr QStringView ourOs = u"linux";

struct RawItem {
    QString title;
    QString link;
    QString version;
    QString shortVersion;
    QString releaseNotes;
    bool forUs = false;
    QString enclosureVersion;
    QString enclosureShortVersion;
};

bool isSparkle(const QXmlStreamReader &xml, QStringView name)
{
    return xml.namespaceUri() == sparkleNamespace && xml.name() == name;
}

bool isPlain(const QXmlStreamReader &xml, QStringView name)
{
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

QString sparkleAttribute(const QXmlStreamReader &xml, QStringView name)
{
    return xml.attributes()
        .value(sparkleNamespace.toString(), name.toString())
        .toString()
        .trimmed();
}

bool isAcceptableVersion(const QString &version)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Za-z.+_~-]{1,64}$"));
    return pattern.match(version).hasMatch();
}

// What is only shown may also read "2.0 (Autumn)".
bool isAcceptableDisplayVersion(const QString &version)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Za-z.+_~() -]{1,64}$"));
    return pattern.match(version).hasMatch();
}

QUrl secureLink(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != u"https" || url.host().isEmpty())
        return {};
    return url;
}

QString readText(QXmlStreamReader &xml)
{
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

QString lineSuffix(const QXmlStreamReader &xml)
{
    return QCoreApplication::translate("AppcastParser", " (line %1)").arg(xml.lineNumber());
}

RawItem readItem(QXmlStreamReader &xml)
{
    RawItem item;
    while (xml.readNextStartElement()) {
        if (isPlain(xml, u"title")) {
            item.title = readText(xml);
        } else if (isPlain(xml, u"link")) {
            item.link = readText(xml);
        } else if (isSparkle(xml, u"version")) {
            item.version = readText(xml);
        } else if (isSparkle(xml, u"shortVersionString")) {
            item.shortVersion = readText(xml);
        } else if (isSparkle(xml, u"releaseNotesLink")) {
            item.releaseNotes = readText(xml);
        } else if (isPlain(xml, u"enclosure")) {
            // The first enclosure for this platform decides; others are for other platforms.
            if (!item.forUs && sparkleAttribute(xml, u"os") == ourOs) {
                item.forUs = true;
                item.enclosureVersion = sparkleAttribute(xml, u"version");
                item.enclosureShortVersion = sparkleAttribute(xml, u"shortVersionString");
            }
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

} // namespace

AppcastParser::Result AppcastParser::parse(const QByteArray &feed)
{
    Result result;
    if (feed.size() > maxFeedBytes) {
        result.error =
            QCoreApplication::translate("AppcastParser", "The update feed is too large.");
        return result;
    }

    QXmlStreamReader xml(feed);
    // Up to the root element by hand: readNextStartElement() would step over a document type
    // declaration without a word.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD) {
            result.error = QCoreApplication::translate(
                "AppcastParser",
                "The update feed contains a document type declaration, which is not allowed.");
            return result;
        }
    }
    if (!xml.hasError() &&
        (xml.tokenType() != QXmlStreamReader::StartElement || !isPlain(xml, u"rss"))) {
        result.error =
            QCoreApplication::translate("AppcastParser", "The update feed is not an RSS feed.");
        return result;
    }

    QList<RawItem> raw;
    QString channelLink;
    bool sawChannel = false;
    qsizetype itemCount = 0;
    while (!xml.hasError() && xml.readNextStartElement()) {
        if (!isPlain(xml, u"channel") || sawChannel) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (isPlain(xml, u"link")) {
                channelLink = readText(xml);
                continue;
            }
            if (!isPlain(xml, u"item")) {
                xml.skipCurrentElement();
                continue;
            }
            if (++itemCount > maxItems) {
                result.error = QCoreApplication::translate(
                    "AppcastParser", "The update feed lists too many releases.");
                return result;
            }
            raw.append(readItem(xml));
        }
    }
    // Anything after the root element still has to be well formed.
    while (!xml.hasError() && !xml.atEnd())
        xml.readNext();

    if (xml.hasError()) {
        result.error =
            QCoreApplication::translate("AppcastParser", "The update feed could not be read: ") +
            xml.errorString() + lineSuffix(xml) + u'.';
        return result;
    }
    if (!sawChannel) {
        result.error =
            QCoreApplication::translate("AppcastParser", "The update feed is not an RSS feed.");
        return result;
    }

    for (const RawItem &item : std::as_const(raw)) {
        if (!item.forUs)
            continue;
        const QString shortVersion =
            !item.enclosureShortVersion.isEmpty() ? item.enclosureShortVersion : item.shortVersion;
        QString version = !item.enclosureVersion.isEmpty() ? item.enclosureVersion : item.version;
        if (version.isEmpty())
            version = shortVersion;
        if (!isAcceptableVersion(version))
            continue;
        AppcastItem parsed;
        parsed.title = item.title;
        parsed.version = version;
        parsed.displayVersion = isAcceptableDisplayVersion(shortVersion) ? shortVersion : version;
        parsed.releaseNotesLink = secureLink(item.releaseNotes);
        parsed.releasePage = secureLink(item.link.isEmpty() ? channelLink : item.link);
        result.items.append(parsed);
    }
    return result;
}

std::optional<AppcastItem> AppcastParser::newest(const QList<AppcastItem> &items)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : items) {
        if (!best || VersionComparator::compare(item.version, best->version) > 0)
            best = item;
    }
    return best;
}
