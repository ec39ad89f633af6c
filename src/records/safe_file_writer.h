#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

/**
 * Replaces a file's contents in one step: the bytes go to a temporary file in
 * the target's folder, are flushed to disk, and only then is the temporary
 * renamed over the target. A failure at any point leaves an existing target
 * exactly as it was and removes the temporary.
 */
class SafeFileWriter {
public:
    /**
     * Writes @p data to @p path. Returns true on success; on failure returns
     * false and, if @p error is given, stores the reason there.
     */
    static bool write(const QString& path, const QByteArray& data, QString* error = nullptr);

    /**
     * Writes what @p produce writes into the device it is given, then
     * replaces @p path with it as above. @p produce returns false when a
     * write failed. Returns false, with the reason in @p error, when the
     * file cannot be written. An exception thrown by @p produce leaves the
     * target as it was, removes the temporary and reaches the caller.
     */
    static bool write(
        const QString& path, const std::function<bool(QIODevice&)>& produce, QString* error = nullptr);
};
