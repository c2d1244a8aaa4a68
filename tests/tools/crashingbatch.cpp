// crashingbatch <moves before the kill> <folder> <name>=<new name>...: runs one batch and
// dies by SIGKILL before the given move, as a crash would, leaving the journal as it is.

#include "enginetesthelpers.h"

#include <QCoreApplication>

#include <csignal>

namespace {

class KillingMover : public PosixFileMover {
public:
    explicit KillingMover(int movesLeft) : m_movesLeft(movesLeft) {}

    Result moveItem(const QByteArray &sourcePath, const QByteArray &destinationPath) override
    {
        if (m_movesLeft-- == 0)
            std::raise(SIGKILL);
        return PosixFileMover::moveItem(sourcePath, destinationPath);
    }

private:
    int m_movesLeft;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4)
        return 2;
    const auto engine =
        EngineTest::makeEngine(std::make_unique<KillingMover>(arguments[1].toInt()));
    QStringList from;
    QStringList to;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        from.append(arguments[i].section(u'=', 0, 0));
        to.append(arguments[i].section(u'=', 1));
        engine->addFiles({QUrl::fromLocalFile(arguments[2] + u'/' + from.last())});
    }
    EngineTest::setRenames(*engine, from, to);
    return engine->performRename().second == 0 ? 0 : 1;
}
