#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

/**
 * The one live status line the logger keeps on standard error while it runs
 * on a terminal: rows logged, their rate, the last reading, the link state
 * and the elapsed time. It is redrawn in place at most a few times a second.
 * When standard error is no terminal, or --quiet is given, it writes nothing.
 */
class StatusLine {
public:
    struct Status {
        qint64 rows = 0;
        QString lastReading; ///< "1.234 V DC AUTO", or empty before the first reading
        QString link; ///< "connected", "waiting for /dev/ttyUSB0", …
    };

    /** Writes to @p out when @p enabled. */
    StatusLine(std::FILE* out, bool enabled);
    /** Whether standard error is a terminal (the default for enabling the line). */
    static bool stderrIsTerminal();

    bool enabled() const { return enabled_; }
    /** Redraws the line, unless it was drawn less than 250 ms ago (unless @p force). */
    void update(const Status& status, bool force = false);
    /** Leaves the line as it stands and moves to the next one, so later messages do not overwrite it. */
    void finish();
    /** Clears the line before another message is written to the same stream. */
    void clear();

    /** The text of the line for @p status after @p elapsedMs (no control characters). */
    static QString format(const Status& status, qint64 elapsedMs);

private:
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    QElapsedTimer started_;
    QElapsedTimer lastDraw_;
};
