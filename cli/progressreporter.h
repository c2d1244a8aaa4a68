#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// Progress of a long batch on standard error, on one line rewritten in place. It shows
// only on a terminal, and only once the work has taken longer than half a second, so
// quick runs and scripts see nothing. The line is gone once the last item is done.
class ProgressReporter {
public:
    ProgressReporter(QString label, std::FILE *stream);
    ~ProgressReporter();

    void report(qsizetype done, qsizetype total);
    // Takes the line off the terminal, if it is shown.
    void clear();

private:
    QString m_label;
    std::FILE *m_stream;
    bool m_enabled;
    bool m_shown = false;
    QElapsedTimer m_started;
    qint64 m_lastShownAt = 0;
};
