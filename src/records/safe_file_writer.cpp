#include "records/safe_file_writer.h"

#include <QSaveFile>

bool SafeFileWriter::write(const QString& path, const QByteArray& data, QString* error)
{
    return write(
        path, [&data](QIODevice& out) { return out.write(data) == data.size(); }, error);
}

bool SafeFileWriter::write(
    const QString& path, const std::function<bool(QIODevice&)>& produce, QString* error)
{
    // QSaveFile writes into a temporary beside the target, syncs it and renames
    // it over the target on commit(); without commit() it removes the
    // temporary. Direct-write fallback stays off: a folder we cannot create a
    // file in must fail rather than truncate the target in place.
    // The explicit flush matters: commit() does not notice a failure to write
    // out data still held in QFileDevice's buffer (disk full, file size limit)
    // and would rename a truncated file over the target.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        try {
            ok = produce(file);
        } catch (...) {
            file.cancelWriting();
            throw;
        }
        ok = ok && file.flush() && file.commit();
    }
    if (!ok) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}
