// crashingbatch <when> <folder> <name>=<new name>...: runs one batch and dies by SIGKILL, as
// a crash would, leaving the journal as it is. <when> is the number of moves made before
// the kill, or "link" or "reservation" for the middle of the first move that takes that
// two-step way on disk.

#include "disk/movesteps.h"
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

MoveSteps::Step killedStep = MoveSteps::Step::link;

void killInStep(MoveSteps::Step step)
{
    if (step == killedStep)
        std::raise(SIGKILL);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4)
        return 2;
    std::unique_ptr<FileMover> mover;
    if (arguments[1] == u"link" || arguments[1] == u"reservation") {
        killedStep = arguments[1] == u"link" ? MoveSteps::Step::link : MoveSteps::Step::reservation;
        MoveSteps::setPause(killInStep);
        mover = std::make_unique<PosixFileMover>();
    } else {
        mover = std::make_unique<KillingMover>(arguments[1].toInt());
    }
    const auto engine = EngineTest::makeEngine(std::move(mover));
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
