#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace EngineTest {

// A small FAT image mounted through FUSE (fusefat): a real file system that ignores letter
// case, without root. Unmounted when it goes.
class FatMount {
public:
    FatMount()
    {
        const QString mkfs = tool(u"mkfs.vfat"_qs);
        const QString fusefat = tool(u"fusefat"_qs);
        m_unmounter = tool(u"fusermount3"_qs);
        if (m_unmounter.isEmpty())
            m_unmounter = tool(u"fusermount"_qs);
        if (mkfs.isEmpty() || fusefat.isEmpty() || m_unmounter.isEmpty()) {
            m_problem = u"mkfs.vfat, fusefat or fusermount is not installed"_qs;
            return;
        }
        const QString image = m_dir.filePath(u"disk.img"_qs);
        m_path = m_dir.filePath(u"mnt"_qs);
        QDir().mkpath(m_path);
        m_problem = run(mkfs, {u"-C"_qs, image, u"1024"_qs});
        if (m_problem.isEmpty())
            m_problem = run(fusefat, {u"-o"_qs, u"rw+"_qs, image, m_path});
        m_mounted = m_problem.isEmpty();
    }
    ~FatMount()
    {
        if (m_mounted)
            run(m_unmounter, {u"-u"_qs, u"-z"_qs, m_path});
    }
    // Empty when the image is mounted.
    QString problem() const { return m_problem; }
    QString path() const { return m_path; }

private:
    static QString tool(const QString &name)
    {
        QString path = QStandardPaths::findExecutable(name);
        return path.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_qs, u"/sbin"_qs})
                              : path;
    }
    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return {};
        return program + u" failed: "_qs + QString::fromLocal8Bit(process.readAll()).simplified();
    }

    QTemporaryDir m_dir;
    QString m_path;
    QString m_unmounter;
    QString m_problem;
    bool m_mounted = false;
};

} // namespace EngineTest
