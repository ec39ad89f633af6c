#include "records/record_files.h"
#include "records/safe_file_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(RecordFileFormat, OnlyLowerCaseDbGivesParadox)
{
    struct Case {
        const char* name;
        RecordFiles::Format format;
    };
    using F = RecordFiles::Format;
    const Case cases[] = {
        { "/home/u/log.xls", F::Text },
        { "/home/u/log.txt", F::Text },
        { "/home/u/log.db", F::Paradox },
        { "/home/u/log.DB", F::Text },
        { "/home/u/log.Db", F::Text },
        { "/home/u/log", F::Text },
        { "/home/u/log.csv", F::Text },
        { "/home/u/log.db.txt", F::Text },
        { "/home/u/old.db/log", F::Text },
        { "/home/u/.db", F::Paradox },
        { "log.db", F::Paradox },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordFiles::formatFor(QString::fromUtf8(c.name)), c.format) << c.name;
}

/** Holds RLIMIT_FSIZE down for its lifetime, so writes past @p bytes fail as on a full disk. */
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST(SafeFileWriter, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    writeFile(path, QByteArray(1000, 'x'));
    ASSERT_TRUE(SafeFileWriter::write(path, "new"));
    EXPECT_EQ(readAll(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("log.txt") });
}

TEST(SafeFileWriter, FailureLeavesTheOldFileIntact)
{
    const QByteArray old = "No\tTime\r\nold contents\r\n";
    const QByteArray replacement(64 * 1024, 'n');

    struct Case {
        const char* name;
        bool readOnlyFolder;
        bool diskFull;
    };
    for (const Case c : { Case { "read-only folder", true, false }, Case { "disk full", false, true } }) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.xls"));
        writeFile(path, old);
        if (c.readOnlyFolder) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            if (QFile probe(dir.filePath(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                continue; // running with privileges that ignore folder permissions
            }
        }
        QString error;
        {
            std::optional<FileSizeLimit> limit;
            if (c.diskFull)
                limit.emplace(4096);
            EXPECT_FALSE(SafeFileWriter::write(path, replacement, &error));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("log.xls") });
    }
}

} // namespace
