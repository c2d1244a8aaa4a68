#include "recoveryreport.h"

#include "localpath.h"

#include <algorithm>

namespace {

// Lists at most this many items by name; the rest are counted.
constexpr qsizetype listedItems = 8;

QString files(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

qsizetype RecoveryReport::count(Place place) const
{
    return std::count_if(items.cbegin(), items.cend(),
                         [place](const Item &item) { return item.place == place; });
}

QString RecoveryReport::title() const
{
    return count(Place::temporary) > 0 ? QStringLiteral("Some Files Need Your Attention")
                                       : QStringLiteral("Interrupted Renaming Was Completed");
}

QString RecoveryReport::message() const
{
    QStringList paragraphs;
    if (interruptedBatches > 0) {
        paragraphs.append(
            interruptedBatches == 1
                ? QStringLiteral("Brisklet was stopped while it renamed files.")
                : QStringLiteral("Brisklet was stopped while it renamed files, %1 times.")
                      .arg(interruptedBatches));
    }
    const qsizetype forward = count(Place::destination);
    const qsizetype back = count(Place::source);
    const qsizetype stuck = count(Place::temporary);
    if (items.isEmpty() && interruptedBatches > 0)
        paragraphs.append(QStringLiteral(
            "No file was left under a temporary name. Files renamed before the stop keep their "
            "new names; the others keep their old ones."));
    if (forward > 0)
        paragraphs.append(QStringLiteral("%1 set aside during the renaming now %2 the new name.")
                              .arg(files(forward), forward == 1 ? u"has"_qs : u"have"_qs));
    if (back > 0)
        paragraphs.append(QStringLiteral("%1 set aside during the renaming %2 the old name again.")
                              .arg(files(back), back == 1 ? u"has"_qs : u"have"_qs));
    if (completedMoves > 0)
        paragraphs.append(
            QStringLiteral("To make room, %1 of the interrupted batch %2 renamed "
                           "as planned.")
                .arg(files(completedMoves), completedMoves == 1 ? u"was"_qs : u"were"_qs));
    if (stuck > 0) {
        QStringList lines;
        qsizetype shown = 0;
        for (const Item &item : items) {
            if (item.place != Place::temporary)
                continue;
            if (shown++ == listedItems)
                break;
            lines.append(QStringLiteral("• “%1” in %2 is the file “%3” (to be named “%4”)")
                             .arg(LocalPath::display(LocalPath::nameOf(item.path)),
                                  LocalPath::display(LocalPath::folderOf(item.path)),
                                  LocalPath::display(item.sourceName),
                                  LocalPath::display(item.destinationName)));
        }
        if (stuck > listedItems)
            lines.append(QStringLiteral("• and %1 more").arg(stuck - listedItems));
        paragraphs.append(
            QStringLiteral("%1 could not be given a name back, because other items now have both "
                           "the old and the new name. Nothing was replaced; rename %2 yourself:\n")
                .arg(files(stuck), stuck == 1 ? u"it"_qs : u"them"_qs) +
            lines.join(u'\n'));
    }
    if (!unreadableJournals.isEmpty()) {
        QStringList names;
        for (const QByteArray &path : unreadableJournals)
            names.append(LocalPath::display(path));
        paragraphs.append(QStringLiteral("A record of an interrupted renaming could not be "
                                         "read; it was kept as:\n") +
                          names.join(u'\n'));
    }
    return paragraphs.join(u"\n\n");
}
