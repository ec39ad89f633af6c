#include "records/records_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

struct RecordsTable::State {
    QString path;
    QVector<FieldDef> fields;
    bool open = false;
};

RecordsTable::RecordsTable(QObject* parent)
    : QObject(parent)
    , d_(std::make_unique<State>())
{
}

RecordsTable::~RecordsTable() = default;

bool RecordsTable::open(const QString& path)
{
    close();
    throw TableStoreError(QStringLiteral("Cannot open table '%1'").arg(path));
}

void RecordsTable::close()
{
    d_->open = false;
    d_->path.clear();
    d_->fields.clear();
    emit tableReset();
}

bool RecordsTable::isOpen() const
{
    return d_->open;
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
}
void RecordsTable::setField(const QString&, const QString&)
{
}
void RecordsTable::setField(const QString&, qint64)
{
}
void RecordsTable::setField(const QString&, double)
{
}
void RecordsTable::setField(const QString&, QTime)
{
}
void RecordsTable::post()
{
}
qint64 RecordsTable::rowCount() const
{
    return 0;
}
bool RecordsTable::isEmpty() const
{
    return true;
}
void RecordsTable::emptyTable()
{
}
QString RecordsTable::displayText(qint64, int) const
{
    return {};
}
QVariant RecordsTable::value(qint64, int) const
{
    return {};
}
void RecordsTable::copyTo(const QString&) const
{
}
bool RecordsTable::addPrimaryIndex(const QString&, const QString&)
{
    return false;
}
qint64 RecordsTable::unsavedRowCount() const
{
    return 0;
}
void RecordsTable::markSaved()
{
}

QString RecordsTable::findTemplate()
{
    const QString name = QStringLiteral("Rk40vdb.DB");
    for (const QString& dir : { QDir::currentPath(), QCoreApplication::applicationDirPath() }) {
        const QFileInfo info(QDir(dir).filePath(name));
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}
