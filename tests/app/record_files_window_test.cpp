#include "app/tfcomm.h"
#include "records/log_table_layout.h"
#include "records/paradox_writer.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "records/text_export.h"
#include "support/records_fixture.h"
#include "support/scripted_asker.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_paths.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>
#include <new>

namespace {

using testsupport::SampleRow;

int recordSize(const QVector<FieldDef>& fields)
{
    int size = 0;
    for (const FieldDef& f : fields)
        size += f.size;
    return size;
}

class RecordFilesWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        auto scriptedAsker = std::make_unique<testsupport::ScriptedAsker>();
        asked = scriptedAsker->asked;
        answers = scriptedAsker->answers;
        window = std::make_unique<TFCOMM>(BuildVariant::shipped(), std::move(scriptedAsker));
        window->setTerminateHandler([] {});
        auto scriptedDialogs = std::make_unique<testsupport::ScriptedFileDialogs>();
        dialogs = scriptedDialogs->script;
        window->setRecordFileDialogs(std::move(scriptedDialogs));
        // Each test logs into its own copy of the template.
        table().open(testsupport::copyRecordsTemplate(dir.path()));
        ASSERT_TRUE(table().isOpen());
        asked->clear();
    }

    RecordsTable& table() { return *window->T20VDB; }
    QString file(const QString& name) const { return dir.filePath(name); }

    void save(const QString& name)
    {
        dialogs->saveNames.push_back(file(name));
        window->saveas->click();
    }
    void open(const QString& path)
    {
        dialogs->openNames.push_back(path);
        window->OpenDataFiles->click();
    }

    QList<SampleRow> laterRows() const
    {
        return { { 6, QTime(9, 15, 0), QStringLiteral("AC"), QStringLiteral("230,1"), 2301,
                     QStringLiteral("V"), QStringLiteral("AUTO") },
            { 7, QTime(9, 15, 1), QString(), QStringLiteral("-1.000"), -1000, QStringLiteral("?"),
                QStringLiteral("MANU") } };
    }

    QTemporaryDir dir;
    std::unique_ptr<TFCOMM> window;
    std::shared_ptr<std::vector<testsupport::ScriptedAsker::Asked>> asked;
    std::shared_ptr<std::deque<QMessageBox::StandardButton>> answers;
    std::shared_ptr<testsupport::ScriptedFileDialogs::Script> dialogs;
};

TEST_F(RecordFilesWindow, ParadoxSaveAndOpenKeepEveryRow)
{
    const QList<SampleRow> rows = testsupport::sampleRows();
    testsupport::appendRows(table(), rows);
    save(QStringLiteral("log.db"));
    EXPECT_TRUE(asked->empty()) << "a Paradox save is silent on success";

    // Rows logged after the save are unsaved again; opening asks before dropping them.
    testsupport::appendRows(table(), laterRows());
    answers->push_back(QMessageBox::Yes);
    open(file(QStringLiteral("log.db")));
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().icon, QMessageBox::Question);
    EXPECT_TRUE(asked->front().text.startsWith(QStringLiteral("2 record(s) not saved")));
    ASSERT_TRUE(table().isOpen());
    EXPECT_EQ(testsupport::readRows(table()), rows);

    // The next save writes the opened rows and the new ones; the menu item does the same as the button.
    testsupport::appendRows(table(), laterRows());
    dialogs->saveNames.push_back(file(QStringLiteral("again.db")));
    window->Save1->trigger();
    open(file(QStringLiteral("again.db")));
    EXPECT_EQ(testsupport::readRows(table()), rows + laterRows());
    EXPECT_EQ(asked->size(), 1u);
}

TEST_F(RecordFilesWindow, OpenKeepsTheRowsWhenTheUserSaysNo)
{
    testsupport::appendRows(table(), testsupport::sampleRows());
    save(QStringLiteral("kept.db"));
    testsupport::appendRows(table(), laterRows());
    const QString before = table().path();

    answers->push_back(QMessageBox::No);
    open(file(QStringLiteral("kept.db")));
    EXPECT_EQ(asked->size(), 1u);
    EXPECT_EQ(table().path(), before);
    EXPECT_EQ(table().rowCount(), 7);
}

TEST_F(RecordFilesWindow, CancelledDialogsChangeNothing)
{
    testsupport::appendRows(table(), testsupport::sampleRows());
    window->saveas->click();
    window->OpenDataFiles->click();
    EXPECT_EQ(dialogs->saveAsked, 1);
    EXPECT_EQ(dialogs->openAsked, 1);
    EXPECT_TRUE(asked->empty());
    EXPECT_EQ(table().unsavedRowCount(), 5);
}

TEST_F(RecordFilesWindow, TextSaveReportsSuccess)
{
    testsupport::appendRows(table(), testsupport::sampleRows().mid(0, 1));
    save(QStringLiteral("log.xls"));
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().icon, QMessageBox::Information);
    EXPECT_EQ(asked->front().text, TextExport::successMessage(file(QStringLiteral("log.xls"))));
    QFile saved(file(QStringLiteral("log.xls")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(),
        QByteArray("No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\t14:03:27\tDC\t3.999\tV\tAUTO\r\n"));
}

TEST_F(RecordFilesWindow, ReadOnlyFileOpens)
{
    testsupport::appendRows(table(), testsupport::sampleRows());
    save(QStringLiteral("readonly.db"));
    QFile::setPermissions(file(QStringLiteral("readonly.db")), QFile::ReadOwner | QFile::ReadGroup);
    open(file(QStringLiteral("readonly.db")));
    EXPECT_TRUE(asked->empty());
    ASSERT_TRUE(table().isOpen());
    EXPECT_EQ(table().rowCount(), 5);
}

// A file that fails to open leaves the table, its rows and its unsaved count
// exactly as they were, and logging goes on into it.
TEST_F(RecordFilesWindow, FailedOpenKeepsTheTableAndItsRows)
{
    testsupport::appendRows(table(), testsupport::sampleRows());
    save(QStringLiteral("good.db"));
    testsupport::appendRows(table(), laterRows());
    const QString before = table().path();
    const QList<SampleRow> rows = testsupport::readRows(table());

    struct Case {
        QString path;
        const char* startsWith;
    };
    QList<Case> cases;
    for (QDirIterator it(testsupport::dataDir() + QStringLiteral("/paradox/damaged"), QDir::Files);
         it.hasNext();) {
        const QString path = it.next();
        if (!path.endsWith(QStringLiteral("password_protected.db")))
            cases.append({ path, "The file is damaged or is not a records table." });
    }
    QFile text(file(QStringLiteral("text.DB")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("No\tTime\r\n");
    text.close();
    cases.append({ text.fileName(), "The file is damaged or is not a records table." });
    cases.append({ testsupport::dataDir() + QStringLiteral("/paradox/damaged/password_protected.db"),
        "The table is password protected" });
    cases.append({ file(QStringLiteral("missing.DB")), "Table '" });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        asked->clear();
        open(c.path);
        ASSERT_EQ(asked->size(), 1u) << "one message, no question about unsaved rows";
        EXPECT_EQ(asked->front().icon, QMessageBox::Critical);
        EXPECT_TRUE(asked->front().text.startsWith(QLatin1String(c.startsWith)))
            << asked->front().text.toStdString();
        ASSERT_TRUE(table().isOpen());
        EXPECT_EQ(table().path(), before);
        EXPECT_EQ(testsupport::readRows(table()), rows);
        EXPECT_EQ(table().unsavedRowCount(), 2);
    }

    // A reading after the failed Open is logged into the same table.
    asked->clear();
    window->checksystem->setChecked(true);
    window->RecordSI->setChecked(false);
    window->framer().H40VRData(testsupport::modeFrameBytes("11234B00A"));
    EXPECT_EQ(table().rowCount(), rows.size() + 1);
    EXPECT_FALSE(window->readingNotice().isShowing());

    // A valid file afterwards opens after the question about the unsaved rows.
    answers->push_back(QMessageBox::Yes);
    open(file(QStringLiteral("good.db")));
    EXPECT_EQ(asked->size(), 1u);
    EXPECT_EQ(testsupport::readRows(table()), testsupport::sampleRows());
}

// "Password protected" only for an intact table that says so; a corrupt word is damage.
TEST_F(RecordFilesWindow, PasswordIsNamedOnlyForIntactEncryptedTables)
{
    QFile seed(testsupport::dataDir() + QStringLiteral("/paradox/log60.db"));
    ASSERT_TRUE(seed.open(QIODevice::ReadOnly));
    const QByteArray good = seed.readAll();
    auto patched = [&](int at, quint32 value) {
        QByteArray b = good;
        for (int i = 0; i < 4; ++i)
            b[at + i] = char(value >> (8 * i));
        return b;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        bool password;
    };
    QByteArray headerNoise = patched(0x25, 0x12345678);
    headerNoise[0x21] = char(0xEE); // and a field count that cannot be
    const Case cases[] = {
        { "second word set", patched(0x5C, 0x12345678), true },
        { "first word corrupt", patched(0x25, 0x12345678), false },
        { "first word corrupt, header noisy", headerNoise, false },
        { "random header", QByteArray(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path = testsupport::dataDir() + QStringLiteral("/paradox/damaged/random_header.db");
        if (!c.bytes.isEmpty()) {
            path = file(QStringLiteral("case.db"));
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(c.bytes);
        }
        asked->clear();
        open(path);
        ASSERT_EQ(asked->size(), 1u);
        const QString& text = asked->front().text;
        EXPECT_EQ(text.contains(QLatin1String("password"), Qt::CaseInsensitive), c.password)
            << text.toStdString();
        EXPECT_EQ(text.startsWith(RecordFiles::damagedSentence()), !c.password) << text.toStdString();
    }
}

// Open takes only tables the log can write into: one message names every field that differs.
TEST_F(RecordFilesWindow, OpenRefusesTablesWithOtherFields)
{
    testsupport::appendRows(table(), testsupport::sampleRows().mid(0, 1));
    const qint64 rowsBefore = table().rowCount();
    const QVector<FieldDef> good = logTableFields();
    auto with = [&](const char* name, FieldDef replacement) {
        QVector<FieldDef> fields = good;
        for (FieldDef& f : fields)
            if (f.name == QLatin1String(name))
                f = replacement;
        return fields;
    };
    struct Case {
        const char* name;
        QVector<FieldDef> fields;
        QStringList named; ///< field names the message must give
    };
    const QVector<FieldDef> foreign { { QStringLiteral("Id"), FieldType::Long, 4 },
        { QStringLiteral("Comment"), FieldType::Alpha, 40 } };
    const Case cases[] = {
        { "other field names", foreign, { "No", "Time", "DC/AC", "Value", "Unit", "AUTO", "Nval" } },
        { "Time as 4-byte text", with("Time", { QStringLiteral("Time"), FieldType::Alpha, 4 }), { "Time" } },
        { "Value too short", with("Value", { QStringLiteral("Value"), FieldType::Alpha, 4 }), { "Value" } },
        { "Nval as long", with("Nval", { QStringLiteral("Nval"), FieldType::Long, 4 }), { "Nval" } },
        { "unknown field type", with("Unit", { QStringLiteral("Unit"), FieldType::Bytes, 8 }), { "Unit" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QStringLiteral("other.db"));
        ParadoxWriter::writeFile(path, c.fields, ParadoxRows(recordSize(c.fields)));
        asked->clear();
        open(path);
        ASSERT_EQ(asked->size(), 1u);
        const QString& text = asked->front().text;
        EXPECT_EQ(asked->front().icon, QMessageBox::Critical);
        EXPECT_TRUE(text.startsWith(QLatin1String("The file is not a records table"))) << text.toStdString();
        for (const FieldDef& f : good)
            EXPECT_EQ(text.contains(QLatin1Char('"') + f.name + QLatin1Char('"')), c.named.contains(f.name))
                << f.name.toStdString() << " in " << text.toStdString();
        EXPECT_EQ(table().rowCount(), rowsBefore);
    }

    // Same fields in another case, in another order, with a wider text and one field more: accepted.
    QVector<FieldDef> roomier = good;
    std::reverse(roomier.begin(), roomier.end());
    for (FieldDef& f : roomier) {
        f.name = f.name.toLower();
        if (f.type == FieldType::Alpha)
            f.size += 6;
    }
    roomier.append({ QStringLiteral("Note"), FieldType::Alpha, 20 });
    const QString path = file(QStringLiteral("roomy.db"));
    ParadoxWriter::writeFile(path, roomier, ParadoxRows(recordSize(roomier)));
    asked->clear();
    answers->push_back(QMessageBox::Yes);
    open(path);
    ASSERT_EQ(asked->size(), 1u) << "only the question about the unsaved row";
    EXPECT_EQ(asked->front().icon, QMessageBox::Question);
    EXPECT_EQ(table().path(), path);
}

TEST_F(RecordFilesWindow, PrintPreviewsAllRowsOrSaysThereIsNothing)
{
    window->BtPrint->click();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().text, QStringLiteral("There are no records to print."));
    EXPECT_TRUE(dialogs->previewedPageCounts.isEmpty());

    QList<SampleRow> rows;
    for (int i = 1; i <= 200; ++i)
        rows.append({ i, QTime(10, 0, 0).addSecs(i), QStringLiteral("DC"), QStringLiteral("1.000"), 1000,
            QStringLiteral("V"), QStringLiteral("AUTO") });
    testsupport::appendRows(table(), rows);
    window->BtPrint->click();
    EXPECT_EQ(dialogs->previewedPageCounts, QList<int> { 6 });

    // Running out of memory while the report is shown or printed says so
    // and leaves the records as they were.
    asked->clear();
    dialogs->whilePreviewing = [](const ReportPainter& report) {
        report.rowTexts(report.rowCount() - 1);
        throw std::bad_alloc();
    };
    window->BtPrint->click();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().icon, QMessageBox::Critical);
    EXPECT_TRUE(asked->front().text.contains(QLatin1String("not enough memory")))
        << asked->front().text.toStdString();
    EXPECT_EQ(testsupport::readRows(table()), rows);
    EXPECT_EQ(table().unsavedRowCount(), 200);
    dialogs->whilePreviewing = nullptr;
    window->BtPrint->click();
    EXPECT_EQ(dialogs->previewedPageCounts, (QList<int> { 6, 6, 6 }));
}

} // namespace
