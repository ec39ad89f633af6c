// Save and Open from the window while the work runs with progress: what a
// Cancel and what readings logged meanwhile leave behind.
#include "app/tfcomm.h"
#include "records/records_table.h"
#include "records/text_export.h"
#include "support/records_fixture.h"
#include "support/scripted_asker.h"
#include "support/scripted_file_dialogs.h"
#include "support/scripted_job_runner.h"
#include "support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>
#include <new>

namespace {

using testsupport::SampleRow;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/** A window logging into its own template copy, its jobs run by a ScriptedJobRunner. */
class WindowWithJobs {
protected:
    void setUpWindow()
    {
        if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
            GTEST_SKIP() << "records template not built";
        auto scriptedAsker = std::make_unique<testsupport::ScriptedAsker>();
        asked = scriptedAsker->asked;
        answers = scriptedAsker->answers;
        window = std::make_unique<TFCOMM>(BuildVariant::shipped(), std::move(scriptedAsker));
        window->setTerminateHandler([] {});
        auto scriptedDialogs = std::make_unique<testsupport::ScriptedFileDialogs>();
        dialogs = scriptedDialogs->script;
        window->setRecordFileDialogs(std::move(scriptedDialogs));
        auto scriptedRunner = std::make_unique<testsupport::ScriptedJobRunner>();
        jobs = scriptedRunner->script;
        window->setJobRunner(std::move(scriptedRunner));
        table().open(testsupport::copyRecordsTemplate(dir.path()));
        ASSERT_TRUE(table().isOpen());
        asked->clear();
    }

    RecordsTable& table() { return *window->T20VDB; }

    void save(const QString& path)
    {
        dialogs->saveNames.push_back(path);
        window->saveas->click();
    }

    /** Many rows, so the save reports progress several times on its way. */
    static QList<SampleRow> manyRows()
    {
        QList<SampleRow> rows;
        for (int i = 1; i <= 5000; ++i)
            rows.append({ i, QTime(8, 0, 0).addSecs(i), QStringLiteral("DC"), QStringLiteral("1.234"), 1234,
                QStringLiteral("V"), QStringLiteral("AUTO") });
        return rows;
    }

    QTemporaryDir dir;
    std::unique_ptr<TFCOMM> window;
    std::shared_ptr<std::vector<testsupport::ScriptedAsker::Asked>> asked;
    std::shared_ptr<std::deque<QMessageBox::StandardButton>> answers;
    std::shared_ptr<testsupport::ScriptedFileDialogs::Script> dialogs;
    std::shared_ptr<testsupport::ScriptedJobRunner::Script> jobs;
};

class SaveWithProgress : public WindowWithJobs, public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { setUpWindow(); }

    QString target() const { return dir.filePath(QString::fromLatin1(GetParam())); }
    void save() { WindowWithJobs::save(target()); }
};

TEST_P(SaveWithProgress, CancelLeavesTheOldFileAndTheRowsUnsaved)
{
    testsupport::appendRows(table(), manyRows());
    const QByteArray old = "No\tTime\r\nthe file saved yesterday\r\n";
    {
        QFile file(target());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    jobs->cancelAfter = 1;
    save();
    EXPECT_EQ(jobs->jobs, 1);
    EXPECT_TRUE(asked->empty()) << "a cancelled save says nothing";
    EXPECT_EQ(readAll(target()), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "template and the old file only";
    EXPECT_EQ(table().unsavedRowCount(), 5000);
}

TEST_P(SaveWithProgress, ReadingsLoggedDuringTheSaveStayUnsaved)
{
    const QList<SampleRow> rows = testsupport::sampleRows();
    testsupport::appendRows(table(), rows.mid(0, 3));
    jobs->whileRunning = [&] { testsupport::appendRows(table(), rows.mid(3)); };
    save();
    EXPECT_EQ(table().rowCount(), 5);
    EXPECT_EQ(table().unsavedRowCount(), 2);

    RecordsTable saved;
    if (QString::fromLatin1(GetParam()).endsWith(QLatin1String(".db"))) {
        ASSERT_TRUE(saved.open(target()));
        EXPECT_EQ(testsupport::readRows(saved), rows.mid(0, 3));
    } else {
        EXPECT_EQ(readAll(target()).count("\r\n"), 4) << "header and the three rows of the snapshot";
    }
}

TEST_P(SaveWithProgress, RunningOutOfMemorySaysSoAndKeepsTheOldFileAndTheRows)
{
    testsupport::appendRows(table(), manyRows());
    const QByteArray old = "No\tTime\r\nthe file saved yesterday\r\n";
    {
        QFile file(target());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    jobs->whileRunning = [] { throw std::bad_alloc(); };
    save();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().icon, QMessageBox::Critical);
    EXPECT_TRUE(asked->front().text.startsWith(TextExport::failureMessage(target())))
        << asked->front().text.toStdString();
    EXPECT_TRUE(asked->front().text.contains(QLatin1String("not enough memory")));
    EXPECT_EQ(readAll(target()), old);
    EXPECT_EQ(table().rowCount(), 5000);
    EXPECT_EQ(table().unsavedRowCount(), 5000);

    // The next save, with memory to spare, goes through.
    jobs->whileRunning = nullptr;
    asked->clear();
    save();
    EXPECT_EQ(table().unsavedRowCount(), 0);
    EXPECT_NE(readAll(target()), old);
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveWithProgress, ::testing::Values("log.xls", "log.db", "log.csv"),
    [](const ::testing::TestParamInfo<const char*>& info) {
        return std::string(info.param).replace(3, 1, "_");
    });

} // namespace

class OpenWithProgress : public WindowWithJobs, public ::testing::Test {
protected:
    void SetUp() override
    {
        setUpWindow();
        if (HasFatalFailure() || IsSkipped())
            return;
        // A saved table of many rows to open, and two rows logged since, not saved.
        testsupport::appendRows(table(), manyRows());
        saved = dir.filePath(QStringLiteral("saved.db"));
        save(saved);
        ASSERT_TRUE(asked->empty());
        testsupport::appendRows(table(), testsupport::sampleRows().mid(0, 2));
        before = table().path();
        rows = testsupport::readRows(table());
        jobs->jobs = 0;
    }

    void open()
    {
        dialogs->openNames.push_back(saved);
        window->OpenDataFiles->click();
    }

    QString saved;
    QString before;
    QList<SampleRow> rows;
};

TEST_F(OpenWithProgress, CancelKeepsTheOpenTableAsItWas)
{
    jobs->cancelAfter = 1;
    open();
    EXPECT_EQ(jobs->jobs, 1) << "the file is read as a job";
    EXPECT_TRUE(asked->empty()) << "a cancelled Open says and asks nothing";
    EXPECT_EQ(table().path(), before);
    EXPECT_EQ(testsupport::readRows(table()), rows);
    EXPECT_EQ(table().unsavedRowCount(), 2);
    // The file read halfway is not left locked.
    RecordsTable other;
    EXPECT_TRUE(other.open(saved));
}

TEST_F(OpenWithProgress, ReadingsLoggedWhileReadingAreCountedInTheQuestion)
{
    jobs->whileRunning = [&] { testsupport::appendRows(table(), testsupport::sampleRows().mid(2, 1)); };
    answers->push_back(QMessageBox::Yes);
    open();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_TRUE(asked->front().text.startsWith(QLatin1String("3 record(s) not saved will be lost.")))
        << asked->front().text.toStdString();
    EXPECT_EQ(table().path(), saved);
    EXPECT_EQ(table().rowCount(), 5000);
    EXPECT_EQ(table().unsavedRowCount(), 0);
}
