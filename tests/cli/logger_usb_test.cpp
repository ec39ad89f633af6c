// brenmoor5082-log --usb on the fake HID platform: rows from the cable's
// reports, and a pulled cable waited for and taken up again.
#include "cli/logger_run.h"
#include "support/fake_hid_platform.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <gtest/gtest.h>

namespace {

using testsupport::waitUntil;

FakeHidDeviceSpec cable()
{
    FakeHidDeviceSpec setup;
    setup.path = "/dev/hidraw3";
    setup.instanceId = "0003:1A86:E008.0003";
    return setup;
}

class LoggerUsb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        err = std::tmpfile();
        options.usb = true;
        options.intervalSeconds = 0;
        options.output = dir.filePath(QStringLiteral("usb.csv"));
        options.format = LoggerFormat::Csv;
    }
    void TearDown() override
    {
        run.reset();
        std::fclose(err);
        qputenv("XDG_DATA_HOME", previousData);
    }
    /** One mode frame reading 1.00 @p d4 V, in the reports the cable sends. */
    void sendFrame(uint8_t d4)
    {
        // Reports that come while no reader has the cable open are lost, as with hidraw.
        ASSERT_TRUE(waitUntil([&] { return platform->readHandles(cable().path) > 0; }));
        // Range 1, digits 1 0 0 d4, volts, DC auto; CR LF; then a report without payload ends the burst.
        platform->pushReport(
            cable().path, { 0x00, 0x07, 0x31, 0x31, 0x30, 0x30, uint8_t(0x30 | d4), 0x3B, 0x30, 0 });
        platform->pushReport(cable().path, { 0x00, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
        platform->pushReport(cable().path, { 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    }
    QStringList rows() const
    {
        QFile f(options.output);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst(); // the header
        return lines;
    }
    QString messages() const
    {
        std::rewind(err);
        QByteArray text;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, err))
            text += buffer;
        return QString::fromLocal8Bit(text);
    }

    QTemporaryDir dir;
    QByteArray previousData;
    std::FILE* err = nullptr;
    LoggerOptions options;
    FakeHidPlatform* platform = nullptr;
    std::unique_ptr<LoggerRun> run;

    std::unique_ptr<LoggerRun> makeRun()
    {
        auto fake = std::make_unique<FakeHidPlatform>();
        platform = fake.get();
        return std::make_unique<LoggerRun>(options, err, std::move(fake));
    }
};

} // namespace

TEST_F(LoggerUsb, LogsTheCableAndTakesItUpAgainAfterAReplug)
{
    run = makeRun();
    platform->plug(cable());
    ASSERT_FALSE(run->start()) << messages().toStdString();
    QSignalSpy finished(run.get(), &LoggerRun::finished);

    sendFrame(1);
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 1; })) << messages().toStdString();

    platform->unplug(cable().path);
    platform->notifyChange();
    ASSERT_TRUE(waitUntil([&] { return messages().contains(QLatin1String("waiting for it to come back")); }))
        << messages().toStdString();
    platform->plug(cable());
    platform->notifyChange();
    ASSERT_TRUE(waitUntil([&] { return messages().contains(QLatin1String("is back")); }))
        << messages().toStdString();
    sendFrame(2);
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 2; })) << messages().toStdString();

    run->stop();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().first().toInt(), 0);
    const QStringList lines = rows();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("1,"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QLatin1String(",DC,1.001,V,AUTO"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QLatin1String("2,"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QLatin1String(",DC,1.002,V,AUTO"))) << lines[1].toStdString();
}

TEST_F(LoggerUsb, ACableThatCannotBeUsedExitsWithItsReason)
{
    const struct {
        const char* name;
        bool plugged;
        FakeHidDeviceSpec::Access access;
        const char* says;
    } cases[] = {
        { "no cable", false, FakeHidDeviceSpec::Full, "no USB cable named \"USB to Serial\"" },
        { "no write access", true, FakeHidDeviceSpec::QueryOnly, "70-brenmoor5082.rules" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::fclose(err);
        err = std::tmpfile();
        run = makeRun();
        if (c.plugged) {
            FakeHidDeviceSpec setup = cable();
            setup.access = c.access;
            platform->plug(setup);
        }
        EXPECT_EQ(run->start(), std::optional<int>(LoggerExit::CannotOpen));
        EXPECT_TRUE(messages().contains(QLatin1String(c.says))) << messages().toStdString();
        EXPECT_FALSE(QFile::exists(options.output)) << "no output file for a run that never started";
        run.reset();
    }
}
