// Open of huge tables in the real window, run as a child process under a
// 1.5 GB address-space cap: the table either opens or is refused with a
// message, the program never crashes, and a refused table leaves the table
// that was open before as it was.
#include "app/tfcomm.h"
#include "records/log_table_layout.h"
#include "records/paradox_header.h"
#include "records/records_table.h"
#include "support/records_fixture.h"
#include "support/scripted_asker.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

constexpr const char* kChildTable = "BRENMOOR_CAPPED_OPEN_TABLE";
constexpr qint64 kFileBytes = 256LL * 1024 * 1024;
constexpr int kCapKiB = 1536 * 1024;

void putWord(char* p, int value)
{
    p[0] = char(value & 0xFF);
    p[1] = char((value >> 8) & 0xFF);
}

/**
 * Writes a valid table of about kFileBytes whose data blocks are full of
 * empty records. Only the header and the block headers are written; the
 * records are holes, so the file takes little disk space. Returns the row count.
 */
qint64 writeSparseTable(const QString& path, const QVector<FieldDef>& fields, int blockFactor)
{
    ParadoxHeader h = ParadoxHeader::forFields(fields, QStringLiteral("huge"));
    h.blockFactor = blockFactor;
    const int blocks = int(qMin<qint64>(0xFFFF, kFileBytes / h.blockSize()));
    const int perBlock = h.recordsPerBlock();
    h.recordCount = qint64(blocks) * perBlock;
    h.usedBlocks = h.fileBlocks = h.lastBlock = blocks;
    h.firstBlock = 1;
    const QByteArray header = h.serialize();

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size())
        return -1;
    char blockHeader[6];
    for (int number = 1; number <= blocks; ++number) {
        putWord(blockHeader, number < blocks ? number + 1 : 0);
        putWord(blockHeader + 2, number - 1);
        putWord(blockHeader + 4, (perBlock - 1) * h.recordSize);
        if (!file.seek(h.headerSize + qint64(number - 1) * h.blockSize()) || file.write(blockHeader, 6) != 6)
            return -1;
    }
    if (!file.resize(h.headerSize + qint64(blocks) * h.blockSize()))
        return -1;
    return h.recordCount;
}

struct Outcome {
    bool exitedNormally = false;
    int exitCode = -1;
    QString output;
    QString line(const char* key) const
    {
        for (const QString& l : output.split(QLatin1Char('\n')))
            if (l.startsWith(QLatin1String(key) + QLatin1Char(' ')))
                return l.mid(int(qstrlen(key)) + 1);
        return {};
    }
};

/** Runs this program's child test on @p table under the address-space cap. */
Outcome runCapped(const QString& table, const QString& folder)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildTable), table);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("ulimit -v %1 && exec \"$0\" \"$@\"").arg(kCapKiB),
            QCoreApplication::applicationFilePath(),
            QStringLiteral("--gtest_filter=OpenUnderMemoryCapChild.*") });
    Outcome outcome;
    if (!child.waitForFinished(100000)) {
        child.kill();
        child.waitForFinished();
        outcome.output = QStringLiteral("timed out\n") + QString::fromLocal8Bit(child.readAll());
        return outcome;
    }
    outcome.exitedNormally = child.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = child.exitCode();
    outcome.output = QString::fromLocal8Bit(child.readAll());
    return outcome;
}

TEST(OpenUnderMemoryCap, HugeTablesOpenOrAreRefusedAndNeverCrash)
{
    if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
        GTEST_SKIP() << "records template not built";
    struct Case {
        const char* name;
        QVector<FieldDef> fields;
        int blockFactor;
        bool opens;
    };
    const Case cases[] = {
        // 268 million rows of one byte: more than a table may hold, and fields the log cannot write.
        { "one-byte records", { { QStringLiteral("Flag"), FieldType::Alpha, 1 } }, 4, false },
        // 6.4 million empty rows of the records table's own fields.
        { "records fields", logTableFields(), 32, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("huge.db"));
        const qint64 rows = writeSparseTable(path, c.fields, c.blockFactor);
        ASSERT_GT(rows, 0);
        ASSERT_GE(QFileInfo(path).size(), kFileBytes - 64 * 1024);

        const Outcome outcome = runCapped(path, dir.path());
        ASSERT_TRUE(outcome.exitedNormally) << outcome.output.toStdString();
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output.toStdString();
        std::cout << "  " << c.name << ": " << rows << " rows; " << outcome.line("PEAK").toStdString()
                  << " KiB peak\n";
        if (c.opens) {
            EXPECT_EQ(outcome.line("OPEN"), path) << outcome.output.toStdString();
            EXPECT_EQ(outcome.line("ROWS"), QString::number(rows));
            EXPECT_TRUE(outcome.line("MESSAGE").isEmpty()) << outcome.output.toStdString();
        } else {
            EXPECT_FALSE(outcome.line("MESSAGE").isEmpty()) << outcome.output.toStdString();
            EXPECT_TRUE(outcome.line("OPEN").endsWith(QLatin1String("Rk40vdb.DB")))
                << outcome.output.toStdString();
            EXPECT_EQ(outcome.line("ROWS"), QStringLiteral("5"));
            EXPECT_EQ(outcome.line("UNSAVED"), QStringLiteral("5"));
        }
    }
}

// The child: the real window logs five rows into a template copy, then opens
// the table it was given. It prints what it ended with, one "KEY value" a line.
TEST(OpenUnderMemoryCapChild, OpensTheGivenTable)
{
    const QString table = qEnvironmentVariable(kChildTable);
    if (table.isEmpty())
        GTEST_SKIP() << "runs only as the child of OpenUnderMemoryCap";
    auto scriptedAsker = std::make_unique<testsupport::ScriptedAsker>();
    auto asked = scriptedAsker->asked;
    scriptedAsker->answers->push_back(QMessageBox::Yes); // drop the five unsaved rows
    TFCOMM window(BuildVariant::shipped(), std::move(scriptedAsker));
    window.setTerminateHandler([] {});
    auto dialogs = std::make_unique<testsupport::ScriptedFileDialogs>();
    dialogs->script->openNames.push_back(table);
    window.setRecordFileDialogs(std::move(dialogs));
    window.show();

    window.T20VDB->open(testsupport::copyRecordsTemplate(QDir::currentPath()));
    testsupport::appendRows(*window.T20VDB, testsupport::sampleRows());
    asked->clear();
    window.OpenDataFiles->click();
    QCoreApplication::processEvents();

    for (const auto& a : *asked)
        if (a.icon != QMessageBox::Question)
            std::cout << "MESSAGE "
                      << QString(a.text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString() << "\n";
    std::cout << "OPEN " << window.T20VDB->path().toStdString() << "\n";
    std::cout << "ROWS " << window.T20VDB->rowCount() << "\n";
    std::cout << "UNSAVED " << window.T20VDB->unsavedRowCount() << "\n";
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::cout << "PEAK " << usage.ru_maxrss << "\n" << std::flush;
}

} // namespace
