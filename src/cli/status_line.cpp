#include "cli/status_line.h"

#include <unistd.h>

StatusLine::StatusLine(std::FILE* out, bool enabled)
    : out_(out)
    , enabled_(enabled)
{
    started_.start();
}

bool StatusLine::stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

QString StatusLine::format(const Status& status, qint64 elapsedMs)
{
    const qint64 seconds = elapsedMs / 1000;
    const QString elapsed = QStringLiteral("%1:%2:%3")
                                .arg(seconds / 3600)
                                .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const double rate = elapsedMs > 0 ? double(status.rows) * 1000.0 / double(elapsedMs) : 0.0;
    QString line = QStringLiteral("%1 rows  %2/s  %3  %4  %5")
                       .arg(status.rows)
                       .arg(rate, 0, 'f', rate < 10 ? 2 : 1)
                       .arg(status.lastReading.isEmpty() ? QStringLiteral("-") : status.lastReading,
                           status.link, elapsed);
    return line;
}

void StatusLine::update(const Status& status, bool force)
{
    if (!enabled_)
        return;
    if (!force && lastDraw_.isValid() && lastDraw_.elapsed() < 250)
        return;
    lastDraw_.start();
    const QByteArray text = format(status, started_.elapsed()).toLocal8Bit();
    // Carriage return, the line, then erase what a longer previous line left.
    std::fprintf(out_, "\r%s\x1b[K", text.constData());
    std::fflush(out_);
    drawn_ = true;
}

void StatusLine::clear()
{
    if (!enabled_ || !drawn_)
        return;
    std::fputs("\r\x1b[K", out_);
    std::fflush(out_);
    drawn_ = false;
    lastDraw_.invalidate();
}

void StatusLine::finish()
{
    if (!enabled_ || !drawn_)
        return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
}
