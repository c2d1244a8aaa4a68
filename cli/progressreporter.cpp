#include "progressreporter.h"

#include <unistd.h>

namespace {

constexpr qint64 quietForMs = 500;
constexpr qint64 redrawEveryMs = 100;

} // namespace

ProgressReporter::ProgressReporter(QString label, std::FILE *stream)
    : m_label(std::move(label)), m_stream(stream), m_enabled(::isatty(::fileno(stream)) == 1)
{
    m_started.start();
}

ProgressReporter::~ProgressReporter()
{
    clear();
}

void ProgressReporter::clear()
{
    if (m_shown) {
        std::fputs("\r\033[K", m_stream);
        std::fflush(m_stream);
        m_shown = false;
    }
}

void ProgressReporter::report(qsizetype done, qsizetype total)
{
    if (!m_enabled)
        return;
    // The line goes once the work is done, before anything says how it went: the outcome
    // then starts a line of its own on the terminal.
    if (done >= total) {
        clear();
        return;
    }
    const qint64 now = m_started.elapsed();
    if (now < quietForMs || (m_shown && now - m_lastShownAt < redrawEveryMs))
        return;
    m_shown = true;
    m_lastShownAt = now;
    const QByteArray line =
        QStringLiteral("\r%1 %2 of %3…").arg(m_label).arg(done).arg(total).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), m_stream);
    std::fflush(m_stream);
}
