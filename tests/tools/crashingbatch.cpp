// Runs one batch through the engine and dies by SIGKILL when the mover is asked for a
// move after a given number of them, so that tests can cut a batch short at a chosen
// point as a crash would: no destructor, no clean-up, the journal left as it is.
//
// crashingbatch <moves before the kill> <folder> <name>=<new name>...

#include "enginetesthelpers.h"

#include "memorypreferencesstore.h"
#include "posixfilemover.h"
#include "renameengine.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

class KillingMover : public FileMover {
public:
    explicit KillingMover(int movesLeft) : m_movesLeft(movesLeft) {}

    Result moveItem(const QByteArray &sourcePath, const QByteArray &destinationPath) override
    {
        if (m_movesLeft-- == 0)
            std::raise(SIGKILL);
        return m_disk.moveItem(sourcePath, destinationPath);
    }
    std::optional<ItemIdentity> identity(const QByteArray &path) override
    {
        return m_disk.identity(path);
    }

private:
    int m_movesLeft;
    PosixFileMover m_disk;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4)
        return 2;
    RenameEngine engine(std::make_unique<MemoryPreferencesStore>(),
                        std::make_unique<KillingMover>(arguments[1].toInt()));
    QStringList from;
    QStringList to;
    QList<QUrl> urls;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        from.append(arguments[i].section(u'=', 0, 0));
        to.append(arguments[i].section(u'=', 1));
        urls.append(QUrl::fromLocalFile(arguments[2] + u'/' + from.last()));
    }
    engine.addFiles(urls);
    EngineTest::setRenames(engine, from, to);
    const auto [renamed, failed] = engine.performRename();
    std::printf("%lld renamed, %lld failed\n", static_cast<long long>(renamed),
                static_cast<long long>(failed));
    return failed == 0 ? 0 : 1;
}
