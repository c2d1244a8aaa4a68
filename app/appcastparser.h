#pragma once

#include "appcastitem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Reads an RSS update feed that uses the sparkle namespace
// (xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle").
//
// Rules:
// - Only items with an enclosure whose sparkle:os is "linux" are ours. By the feed format's
//   convention an item without an os is for another platform, so it is skipped.
// - The version is sparkle:version, else sparkle:shortVersionString; the attribute on our
//   enclosure wins over the item's element of the same name. Versions are limited to
//   letters, digits and ". + - _ ~" (at most 64 characters); an item with anything else is
//   skipped, so a feed cannot put markup into the dialogs. The shown version may also hold
//   spaces and parentheses; an unusable one is replaced by the version.
// - The release page is the item's link, else the channel's link; links must be https.
// - The feed is untrusted input: at most maxFeedBytes, at most maxItems items, and no
//   document type declaration at all (that is where entity bombs and external entities
//   live). Anything malformed fails the whole feed with a readable reason.
class AppcastParser {
public:
    static constexpr qsizetype maxFeedBytes = 1024 * 1024;
    static constexpr qsizetype maxItems = 1000;

    struct Result {
        QList<AppcastItem> items; // the items for this platform, in feed order
        QString error;            // empty on success
        bool ok() const { return error.isEmpty(); }
    };

    static Result parse(const QByteArray &feed);

    // The newest item of a parsed feed, if it has any.
    static std::optional<AppcastItem> newest(const QList<AppcastItem> &items);
};
