#include "records/records_table.h"

#include "records/paradox_assign.h"
#include "records/paradox_file_lock.h"
#include "records/paradox_primary_index.h"
#include "records/paradox_reader.h"
#include "records/paradox_value.h"
#include "records/paradox_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <sys/stat.h>

namespace {

const QString kTemplateName = QStringLiteral("Rk40vdb.DB");

/** The installed data folder, found from the executable's folder. */
QString installedDataFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QStringLiteral(BRENMOOR_DATA_DIR_FROM_BIN));
}

[[noreturn]] void failClosed()
{
    throw TableStoreError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

/** Whether @p path names the file open in @p file (not one renamed over it since). */
bool sameFile(const QFile& file, const QString& path)
{
    struct stat open { };
    struct stat named { };
    return ::fstat(file.handle(), &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

/**
 * The long time format of the program's locale without the time zone, e.g.
 * "HH:mm:ss" or "h:mm:ss AP". That locale is the system's unless the
 * program has set another as its default.
 */
QString longTimeFormat()
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

struct RecordsTable::State {
    QString path;
    std::unique_ptr<ParadoxFileLock> lock;
    QVector<FieldDef> fields;
    QVector<int> offsets;
    ParadoxRows rows;
    QByteArray pending;
    bool appending = false;
    qint64 savedRows = 0;
    QString timeFormat = longTimeFormat();
    // Counts every open, close and emptying, so a snapshot tells whether its rows are still the table's.
    quint64 generation = 0;
};

RecordsTable::RecordsTable(QObject* parent)
    : QObject(parent)
    , d_(std::make_unique<State>())
{
}

RecordsTable::~RecordsTable() = default;

struct RecordsTable::Loaded::Data {
    QString path;
    std::unique_ptr<ParadoxFileLock> lock;
    bool sameLock = false; ///< read through the lock the table already holds
    ParadoxTable table;
};

RecordsTable::Loaded::Loaded()
    : d_(std::make_unique<Data>())
{
}
RecordsTable::Loaded::Loaded(Loaded&&) noexcept = default;
RecordsTable::Loaded& RecordsTable::Loaded::operator=(Loaded&&) noexcept = default;
RecordsTable::Loaded::~Loaded() = default;

QString RecordsTable::Loaded::path() const
{
    return d_->path;
}
const QVector<FieldDef>& RecordsTable::Loaded::fields() const
{
    return d_->table.header.fields;
}
qint64 RecordsTable::Loaded::rowCount() const
{
    return d_->table.rows.count();
}

RecordsTable::Loaded RecordsTable::load(
    const QString& path, Access access, const ParadoxReader::Options& options) const
{
    Loaded loaded;
    loaded.d_->path = path;
    // The table open here holds its file's lock: read that file again through it.
    loaded.d_->sameLock = isOpen() && sameFile(d_->lock->file(), path);
    QFile* file = nullptr;
    if (loaded.d_->sameLock) {
        file = &d_->lock->file();
    } else {
        loaded.d_->lock = std::make_unique<ParadoxFileLock>(path,
            access == Access::Exclusive ? ParadoxFileLock::Mode::Exclusive : ParadoxFileLock::Mode::Shared);
        file = &loaded.d_->lock->file();
    }
    ParadoxReader::Options checked = options;
    checked.checkHeader = [&](const ParadoxHeader& header) {
        // Refused before a single row is read: such a table would not fit the grid.
        if (header.recordCount > maxRows)
            throw ParadoxReader::Refused { TableStoreError(
                QStringLiteral("Cannot open table '%1': it holds %L2 records, and this program shows at "
                               "most %L3 records in a table.")
                    .arg(path)
                    .arg(header.recordCount)
                    .arg(maxRows)) };
        if (options.checkHeader)
            options.checkHeader(header);
    };
    try {
        file->seek(0);
        loaded.d_->table = ParadoxReader::read(*file, checked);
    } catch (const ParadoxReader::Refused& refused) {
        throw refused.error;
    } catch (const TableStoreError& e) {
        const auto kind = e.kind() == TableStoreError::Kind::Encrypted ? TableStoreError::Kind::Encrypted
                                                                       : TableStoreError::Kind::Damaged;
        throw TableStoreError(QStringLiteral("Cannot open table '%1': %2").arg(path, e.message()), kind);
    }
    return loaded;
}

void RecordsTable::replaceWith(Loaded&& loaded)
{
    // Everything that allocates is done first, so running out of memory
    // here leaves the open table as it was.
    auto empty = std::make_unique<Loaded::Data>();
    QVector<int> offsets;
    int offset = 0;
    for (const FieldDef& f : loaded.d_->table.header.fields) {
        offsets.append(offset);
        offset += f.size;
    }
    QByteArray pending(offset, '\0');
    QString path = loaded.d_->path;

    std::unique_ptr<Loaded::Data> in = std::exchange(loaded.d_, std::move(empty));
    if (!in->sameLock)
        d_->lock = std::move(in->lock); // releases the lock of the table open before
    d_->path = std::move(path);
    d_->fields = std::move(in->table.header.fields);
    d_->offsets = std::move(offsets);
    d_->rows = std::move(in->table.rows);
    d_->pending = std::move(pending);
    d_->appending = false;
    d_->savedRows = d_->rows.count();
    ++d_->generation;
    emit tableReset();
}

bool RecordsTable::open(const QString& path, Access access)
{
    replaceWith(load(path, access));
    return true;
}

void RecordsTable::close()
{
    d_->lock.reset();
    d_->path.clear();
    d_->fields.clear();
    d_->offsets.clear();
    d_->rows.clear();
    d_->appending = false;
    d_->savedRows = 0;
    ++d_->generation;
    emit tableReset();
}

bool RecordsTable::isOpen() const
{
    return d_->lock != nullptr;
}
QString RecordsTable::path() const
{
    return d_->path;
}
const QVector<FieldDef>& RecordsTable::fields() const
{
    return d_->fields;
}

int RecordsTable::fieldIndex(const QString& name) const
{
    for (int i = 0; i < d_->fields.size(); ++i)
        if (d_->fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void RecordsTable::append()
{
    if (!isOpen())
        failClosed();
    if (d_->rows.count() >= maxRows)
        throw TableStoreError(
            QStringLiteral("The records table is full: it holds at most %L1 records.").arg(maxRows));
    d_->pending.fill('\0');
    d_->appending = true;
}

std::pair<const FieldDef*, char*> RecordsTable::pendingField(const QString& name)
{
    if (!isOpen())
        failClosed();
    if (!d_->appending)
        throw TableStoreError(QStringLiteral("Dataset not in edit or insert mode"));
    const int index = fieldIndex(name);
    if (index < 0) {
        d_->appending = false;
        throw TableStoreError(QStringLiteral("Field '%1' not found").arg(name));
    }
    return { &d_->fields[index], d_->pending.data() + d_->offsets[index] };
}

void RecordsTable::setField(const QString& name, const QString& value)
{
    const auto [field, p] = pendingField(name);
    try {
        ParadoxAssign::fromText(*field, p, value, d_->timeFormat);
    } catch (const TableStoreError&) {
        d_->appending = false;
        throw;
    }
}

void RecordsTable::setField(const QString& name, qint64 value)
{
    const auto [field, p] = pendingField(name);
    try {
        ParadoxAssign::fromInt(*field, p, value);
    } catch (const TableStoreError&) {
        d_->appending = false;
        throw;
    }
}

void RecordsTable::setField(const QString& name, double value)
{
    const auto [field, p] = pendingField(name);
    try {
        ParadoxAssign::fromDouble(*field, p, value);
    } catch (const TableStoreError&) {
        d_->appending = false;
        throw;
    }
}

void RecordsTable::setField(const QString& name, QTime value)
{
    const auto [field, p] = pendingField(name);
    try {
        ParadoxAssign::fromTime(*field, p, value, d_->timeFormat);
    } catch (const TableStoreError&) {
        d_->appending = false;
        throw;
    }
}

void RecordsTable::post()
{
    if (!isOpen())
        failClosed();
    if (!d_->appending)
        return;
    d_->rows.append(d_->pending.constData());
    d_->appending = false;
    const qint64 row = d_->rows.count() - 1;
    emit rowsAppended(row, row);
}

qint64 RecordsTable::rowCount() const
{
    return d_->rows.count();
}
bool RecordsTable::isEmpty() const
{
    return d_->rows.count() == 0;
}

void RecordsTable::emptyTable()
{
    if (!isOpen())
        failClosed();
    d_->rows.clear();
    d_->appending = false;
    d_->savedRows = 0;
    ++d_->generation;
    emit tableReset();
}

QString RecordsTable::timeFormat() const
{
    return d_->timeFormat;
}

QString RecordsTable::displayText(qint64 row, int field) const
{
    if (row < 0 || row >= d_->rows.count() || field < 0 || field >= d_->fields.size())
        return {};
    return ParadoxValue::toDisplay(d_->fields[field], d_->rows.row(row) + d_->offsets[field], d_->timeFormat);
}

QVariant RecordsTable::value(qint64 row, int field) const
{
    if (row < 0 || row >= d_->rows.count() || field < 0 || field >= d_->fields.size())
        return {};
    return ParadoxValue::toVariant(d_->fields[field], d_->rows.row(row) + d_->offsets[field]);
}

void RecordsTable::copyTo(const QString& path) const
{
    if (!isOpen())
        failClosed();
    ParadoxWriter::writeFile(path, d_->fields, d_->rows);
}

qint64 RecordsTable::unsavedRowCount() const
{
    return d_->rows.count() - d_->savedRows;
}
void RecordsTable::markSaved()
{
    d_->savedRows = d_->rows.count();
}

QString RecordsTable::templateName()
{
    return kTemplateName;
}

QStringList RecordsTable::templateFolders()
{
    QStringList folders;
    for (const QString& dir :
        { QDir::currentPath(), QCoreApplication::applicationDirPath(), installedDataFolder() }) {
        const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
        if (!folders.contains(clean))
            folders.append(clean);
    }
    return folders;
}

void RecordsTable::markSaved(const RecordsSnapshot& saved)
{
    if (isOpen() && saved.generation() == d_->generation)
        d_->savedRows = qMax(d_->savedRows, saved.rowCount());
}

RecordsSnapshot RecordsTable::snapshot() const
{
    if (!isOpen())
        failClosed();
    return RecordsSnapshot(d_->fields, d_->rows.snapshot(), d_->timeFormat, d_->generation);
}

QString RecordsTable::findTemplate()
{
    for (const QString& dir : templateFolders()) {
        const QFileInfo info(QDir(dir).filePath(kTemplateName));
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

void RecordsTable::openTemplate()
{
    const QString path = findTemplate();
    if (path.isEmpty()) {
        QStringList shown;
        for (const QString& dir : templateFolders())
            shown.append(QDir::toNativeSeparators(dir));
        throw TableStoreError(QStringLiteral("Table '%1' does not exist in any of the folders searched:\n%2")
                                  .arg(kTemplateName, shown.join(QLatin1Char('\n'))));
    }
    open(path, Access::SharedRead);
}

bool RecordsTable::addPrimaryIndex(const QString& path, const QString& fieldName)
{
    ParadoxFileLock lock(path);
    ParadoxTable table;
    try {
        table = ParadoxReader::read(lock.file());
    } catch (const TableStoreError& e) {
        throw TableStoreError(QStringLiteral("Cannot open table '%1': %2").arg(path, e.message()));
    }
    int index = -1;
    for (int i = 0; i < table.header.fields.size() && index < 0; ++i)
        if (table.header.fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            index = i;
    if (index < 0)
        return false;
    // A Paradox table keeps its key fields first.
    if (index != 0)
        throw TableStoreError(
            QStringLiteral("Field '%1' cannot be the primary key: key fields must come first in the table")
                .arg(table.header.fields[index].name));
    ParadoxPrimaryIndex::build(path, table);
    return true;
}
