#include "app/tfcomm.h"
#include "records/records_table.h"
#include "records/text_export.h"
#include "support/records_fixture.h"
#include "support/scripted_asker.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_paths.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::SampleRow;

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

TEST_F(RecordFilesWindow, UnreadableFilesGiveAMessageAndLeaveTheTableClosed)
{
    testsupport::appendRows(table(), testsupport::sampleRows());
    save(QStringLiteral("good.db"));
    QStringList files;
    for (QDirIterator it(testsupport::dataDir() + QStringLiteral("/paradox/damaged"), QDir::Files);
         it.hasNext();)
        files.append(it.next());
    QFile text(file(QStringLiteral("text.DB")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("No\tTime\r\n");
    text.close();
    files << text.fileName() << file(QStringLiteral("missing.DB"));

    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        asked->clear();
        open(path);
        ASSERT_EQ(asked->size(), 1u);
        EXPECT_EQ(asked->front().icon, QMessageBox::Critical);
        EXPECT_FALSE(asked->front().text.isEmpty());
        EXPECT_FALSE(table().isOpen());
    }

    // Printing a closed table explains itself instead of previewing.
    asked->clear();
    window->BtPrint->click();
    EXPECT_EQ(asked->size(), 1u);
    EXPECT_TRUE(dialogs->previewedPageCounts.isEmpty());

    // A valid file afterwards opens as usual, without a question.
    asked->clear();
    open(file(QStringLiteral("good.db")));
    EXPECT_TRUE(asked->empty());
    EXPECT_EQ(testsupport::readRows(table()), testsupport::sampleRows());
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
}

} // namespace
