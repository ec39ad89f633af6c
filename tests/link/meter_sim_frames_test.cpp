// The simulator's frame builder: frames must be what the meter sends, since
// the end-to-end tests of the decoders are built on them.
#include "metersim/reading_script.h"

#include <gtest/gtest.h>

namespace {

using namespace metersim;

TEST(MeterSimFramesTest, ModeFramesCarryTheirFieldsInTheLowNibbles)
{
    const std::pair<ModeFrame, const char*> cases[] = {
        { ModeFrame { .range = 1, .digits = "1234", .dc = true, .autoRange = true }, "A11234B00AD" },
        { ModeFrame { .range = 4, .digits = "0012", .minus = true, .overload = true }, "A40012B500D" },
        { ModeFrame { .range = 2, .digits = "1000", .option1 = 1 }, "A21000B010D" },
        { ModeFrame {
              .range = 0, .digits = "0250", .function = QChar('4'), .alternate = true, .rs232 = false },
            "A002504801D" },
        { ModeFrame { .range = 3, .digits = "9999", .function = QChar('3'), .lowBattery = true, .ac = true },
            "A399993204D" },
    };
    for (const auto& [frame, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(frame.frameText(), QString::fromLatin1(text));
    }
    const QByteArray wire = ModeFrame { .range = 1, .digits = "1234", .dc = true, .autoRange = true }.bytes();
    EXPECT_EQ(wire.toHex(' '), QByteArray("31 31 32 33 34 3b 30 30 3a 0d 0a"));
}

TEST(MeterSimFramesTest, SegmentFramesCarryTheDisplayBits)
{
    const std::pair<SegmentFrame, const char*> cases[] = {
        // 0.399 V: digit patterns 1101111, 1111001, 1111011, 1111011, point 1, volt.
        { SegmentFrame { .digits = "0399", .point1 = true, .volt = true }, "07D9F3F3F00040" },
        // .0L with digits 1 and 4 dark.
        { SegmentFrame { .digits = " 0L ", .point1 = true }, "000FD680000000" },
        { SegmentFrame {
              .digits = "    ", .ac = true, .dc = true, .autoRange = true, .rs232 = true, .minus = true },
            "F8000000000000" },
        { SegmentFrame { .digits = "    ", .micro = true, .milli = true, .ohm = true, .ampere = true },
            "00000000088480" },
        { SegmentFrame { .digits = "    ", .kilo = true, .mega = true, .hertz = true, .celsius = true },
            "00000000022021" },
    };
    for (const auto& [frame, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(frame.frameText(), QString::fromLatin1(text));
        const QByteArray wire = frame.bytes();
        ASSERT_EQ(wire.size(), 14);
        for (int i = 0; i < 14; ++i)
            EXPECT_EQ((uchar(wire[i]) >> 4), i + 1) << "tag of byte " << i + 1;
    }
}

TEST(MeterSimFramesTest, ScriptLinesAreReadOrRejectedWithTheLine)
{
    struct Case {
        FrameFormat format;
        QStringList lines;
        const char* frameText; ///< of the first frame, or nullptr when the script is rejected
    };
    const Case cases[] = {
        { FrameFormat::Mode, { "# volts", "", "B 1 1234 DC auto" }, "A11234B00AD" },
        { FrameFormat::Mode, { "b 4 0012 minus overload" }, "A40012B500D" },
        { FrameFormat::Mode, { "B 1 12a4" }, nullptr },
        { FrameFormat::Mode, { "G 1 1234" }, nullptr },
        { FrameFormat::Mode, { "B 1 1234 sparkle" }, nullptr },
        { FrameFormat::Mode, { "B 1" }, nullptr },
        { FrameFormat::Mode, { "# nothing" }, nullptr },
        { FrameFormat::Segment, { "0399 p1 volt" }, "07D9F3F3F00040" },
        { FrameFormat::Segment, { "_0l_ P1" }, "000FD680000000" },
        { FrameFormat::Segment, { "03x9" }, nullptr },
        { FrameFormat::Segment, { "039 volt" }, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join(" | ").toStdString());
        QString error;
        const auto script = ReadingScript::fromLines(c.lines, c.format, &error);
        if (!c.frameText) {
            EXPECT_FALSE(script);
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(script) << error.toStdString();
        EXPECT_EQ(frameText(script->frames().front()), QString::fromLatin1(c.frameText));
    }
}

} // namespace
