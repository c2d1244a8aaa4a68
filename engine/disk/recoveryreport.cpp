#include "disk/recoveryreport.h"

#include "disk/localpath.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Lists at most this many items by name; the rest are counted.
constexpr qsizetype listedItems = 8;

// English words the sentence after the count, so each count has a sentence of its own for one
// file and for several; other languages choose their forms from the count.
QString sentence(qsizetype count, const char *one, const char *several)
{
    return count == 1 ? QCoreApplication::translate("RecoveryReport", one)
                      : QCoreApplication::translate("RecoveryReport", several, nullptr, int(count));
}

} // namespace

qsizetype RecoveryReport::count(Place place) const
{
    return std::count_if(items.cbegin(), items.cend(),
                         [place](const Item &item) { return item.place == place; });
}

QString RecoveryReport::title() const
{
    return count(Place::temporary) > 0 ? tr("Some Files Need Your Attention")
                                       : tr("Interrupted Renaming Was Completed");
}

QString RecoveryReport::message(const std::function<QString(const QByteArray &)> &shownAs) const
{
    const auto show = [&shownAs](const QByteArray &bytes) {
        return shownAs ? shownAs(bytes) : LocalPath::display(bytes);
    };
    QStringList paragraphs;
    if (interruptedBatches > 0) {
        paragraphs.append(interruptedBatches == 1
                              ? tr("Brisklet was stopped while it renamed files.")
                              : tr("Brisklet was stopped while it renamed files, %n times.",
                                   nullptr, int(interruptedBatches)));
    }
    const qsizetype forward = count(Place::destination);
    const qsizetype back = count(Place::source);
    const qsizetype stuck = count(Place::temporary);
    if (items.isEmpty() && interruptedBatches > 0)
        paragraphs.append(
            tr("No file was left under a temporary name. Files renamed before the stop keep their "
               "new names; the others keep their old ones."));
    if (forward > 0)
        paragraphs.append(sentence(
            forward,
            QT_TRANSLATE_NOOP("RecoveryReport",
                              "1 file set aside during the renaming now has the new name."),
            QT_TRANSLATE_N_NOOP("RecoveryReport",
                                "%n files set aside during the renaming now have the new name.")));
    if (back > 0)
        paragraphs.append(sentence(
            back,
            QT_TRANSLATE_NOOP("RecoveryReport",
                              "1 file set aside during the renaming has the old name again."),
            QT_TRANSLATE_N_NOOP(
                "RecoveryReport",
                "%n files set aside during the renaming have the old name again.")));
    if (completedMoves > 0)
        paragraphs.append(sentence(
            completedMoves,
            QT_TRANSLATE_NOOP(
                "RecoveryReport",
                "To make room, 1 file of the interrupted batch was renamed as planned."),
            QT_TRANSLATE_N_NOOP("RecoveryReport", "To make room, %n files of the interrupted batch "
                                                  "were renamed as planned.")));
    if (stuck > 0) {
        QStringList lines;
        qsizetype shown = 0;
        for (const Item &item : items) {
            if (item.place != Place::temporary)
                continue;
            if (shown++ == listedItems)
                break;
            lines.append(tr("• “%1” in %2 is the file “%3” (to be named “%4”)")
                             .arg(show(LocalPath::nameOf(item.path)),
                                  show(LocalPath::folderOf(item.path)), show(item.sourceName),
                                  show(item.destinationName)));
        }
        if (stuck > listedItems)
            lines.append(tr("• and %n more", nullptr, int(stuck - listedItems)));
        paragraphs.append(
            sentence(stuck,
                     QT_TRANSLATE_NOOP("RecoveryReport",
                                       "1 file could not be given a name back, because other "
                                       "items now have both the old and the new name. Nothing "
                                       "was replaced; rename it yourself:\n"),
                     QT_TRANSLATE_N_NOOP("RecoveryReport",
                                         "%n files could not be given a name back, because other "
                                         "items now have both the old and the new name. Nothing "
                                         "was replaced; rename them yourself:\n")) +
            lines.join(u'\n'));
    }
    if (!unreadableJournals.isEmpty()) {
        QStringList names;
        for (const QByteArray &path : unreadableJournals)
            names.append(show(path));
        paragraphs.append(tr("A record of an interrupted renaming could not be "
                             "read; it was kept as:\n") +
                          names.join(u'\n'));
    }
    return paragraphs.join(u"\n\n");
}
