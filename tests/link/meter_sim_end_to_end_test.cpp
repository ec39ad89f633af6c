// The meter simulator on a pseudo-terminal, read by the serial driver and
// assembled by the framer: the decoder stand-in must see the scripted frames.
#include "decode/frame_assembler.h"
#include "link/com_port_driver.h"
#include "link/qt_serial_port_io.h"
#include "metersim/reading_script.h"
#include "support/meter_sim_process.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using metersim::FrameFormat;

struct Case {
    const char* name;
    FrameFormat format;
    QStringList readings;
};

TEST(MeterSimEndToEndTest, DecoderSeesTheSimulatedFramesInOrder)
{
    const Case cases[] = {
        { "mode frames", FrameFormat::Mode,
            { "B 1 1234 dc auto", "3 2 0470 auto", "B 4 0012 minus overload ac" } },
        { "segment frames", FrameFormat::Segment,
            { "0399 p1 volt dc auto", "_312 milli volt", "_0L_ p1 kilo ohm" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto script = metersim::ReadingScript::fromLines(c.readings, c.format);
        ASSERT_TRUE(script);
        QStringList expected;
        for (const auto& frame : script->frames())
            expected << metersim::frameText(frame);

        QStringList arguments { "--rate", "40", "--format",
            c.format == FrameFormat::Mode ? "mode" : "segment" };
        for (const QString& reading : c.readings)
            arguments << "--reading" << reading;
        testsupport::MeterSimProcess sim(arguments);
        ASSERT_FALSE(sim.devicePath().isEmpty()) << sim.errors().toStdString();

        ReadingState state;
        FrameAssembler framer(state);
        QStringList decoded;
        const auto record = [&] { decoded << state.FrameText; };
        framer.setModeFrameHandler(record);
        framer.setSegmentFrameHandler(record);
        TComPortDriver driver(std::make_unique<QtSerialPortIo>(),
            ComPortDeviceMap([path = sim.devicePath()](const QString&) { return path; }));
        driver.setComPortSpeed(TComPortBaudRate::br2400);
        driver.setOnReceiveData([&](const QByteArray& data) {
            if (c.format == FrameFormat::Mode)
                framer.H40VRData(data);
            else
                framer.H20VRData(data);
        });
        ASSERT_TRUE(driver.OpenPort());

        const int wanted = 2 * int(expected.size()) + 1;
        ASSERT_TRUE(QTest::qWaitFor([&] { return decoded.size() >= wanted; }, 3000))
            << decoded.join(' ').toStdString();
        // Whole frames only, none lost or repeated once the stream is picked up.
        const qsizetype first = expected.indexOf(decoded.first());
        ASSERT_GE(first, 0) << decoded.first().toStdString();
        for (qsizetype i = 0; i < decoded.size(); ++i)
            EXPECT_EQ(decoded[i], expected[(first + i) % expected.size()]) << "frame " << i;
        driver.ClosePort();
    }
}

} // namespace
