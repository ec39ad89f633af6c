#include "decode/frame_assembler.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

/** A segment frame: bytes tagged 1..E whose low nibbles spell @p lows (14 hex digits). */
QByteArray segmentFrame(const char* lows)
{
    QByteArray out;
    for (int i = 0; i < 14; ++i)
        out += char(((i + 1) << 4) | QByteArray(1, lows[i]).toInt(nullptr, 16));
    return out;
}

const QByteArray kModeData = bytes({ 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0x30, 0x3A });
const QByteArray kModeFrame = bytes({ 0x0A }) + kModeData + bytes({ 0x0D });

enum class Format { Segment, Mode };

struct Case {
    const char* name;
    Format format;
    std::vector<QByteArray> events; ///< one receive event each
    std::vector<QString> decoded; ///< FrameText as each decoder call saw it
    QString frameText; ///< FrameText afterwards
    QString low; ///< FrameLowDigits afterwards
    QString high; ///< FrameHighDigits afterwards
};

class FrameAssemblerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        framer.setSegmentFrameHandler([this] { record(Format::Segment); });
        framer.setModeFrameHandler([this] { record(Format::Mode); });
    }

    void record(Format format)
    {
        EXPECT_EQ(format, feeding) << "decoder of the other frame format called";
        decoded.push_back(state.FrameText);
    }

    void feed(Format format, const QByteArray& data)
    {
        feeding = format;
        if (format == Format::Segment)
            framer.H20VRData(data);
        else
            framer.H40VRData(data);
    }

    ReadingState state;
    FrameAssembler framer { state };
    Format feeding = Format::Mode;
    std::vector<QString> decoded;
};

TEST_F(FrameAssemblerTest, FramesAreAssembledCheckedAndHandedToTheirDecoder)
{
    const QByteArray seg = segmentFrame("0123456789ABCF");
    const Case cases[] = {
        { "mode frame after the LF of the previous one", Format::Mode, { kModeFrame }, { "A41234B00AD" },
            "A41234B00AD", "", "" },
        { "mode frame without the leading LF fails", Format::Mode, { kModeData + bytes({ 0x0D }) }, {},
            "41234B00AD", "", "" },
        { "mode frame split across events", Format::Mode,
            { kModeFrame.left(3), kModeFrame.mid(3, 4), kModeFrame.mid(7) + bytes({ 0x0A }) },
            { "A41234B00AD" }, "A41234B00AD", "A", "0" },
        { "reception starting mid-frame loses only that frame", Format::Mode,
            { kModeData.mid(5) + bytes({ 0x0D }) + kModeFrame + kModeFrame },
            { "A41234B00AD", "A41234B00AD" }, "A41234B00AD", "", "" },
        { "E-tagged byte is data in a mode frame", Format::Mode,
            { bytes({ 0x0A, 0xE3, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0x30, 0x3A, 0x0D }) },
            { "A31234B00AD" }, "A31234B00AD", "", "" },
        { "longer mode frame passes on its 11th low digit", Format::Mode,
            { kModeFrame.chopped(1) + bytes({ 0x3D, 0x31, 0x0D }) }, { "A41234B00AD1D" }, "A41234B00AD1D", "",
            "" },
        { "mode frame whose 11th low digit is not D fails", Format::Mode,
            { kModeFrame.chopped(1) + bytes({ 0x31, 0x32, 0x0D }) }, {}, "A41234B00A12D", "", "" },
        { "CR on empty accumulators", Format::Mode, { bytes({ 0x0D }) }, {}, "D", "", "" },
        { "segment frame tagged 1..E", Format::Segment, { seg }, { "0123456789ABCF" }, "0123456789ABCF", "",
            "" },
        { "segment bytes tagged 5..E alone", Format::Segment, { seg.mid(4) }, {}, "456789ABCF", "", "" },
        { "back-to-back segment frames in one event", Format::Segment,
            { seg + segmentFrame("FEDCBA98765432") }, { "0123456789ABCF", "FEDCBA98765432" },
            "FEDCBA98765432", "", "" },
        { "segment frame split across events", Format::Segment, { seg.left(5), seg.mid(5, 8), seg.mid(13) },
            { "0123456789ABCF" }, "0123456789ABCF", "", "" },
        { "E5 mid-frame ends and spoils it; the next frame is good", Format::Segment,
            { seg.left(6) + bytes({ 0xE5 }) + seg }, { "0123456789ABCF" }, "0123456789ABCF", "", "" },
        { "CR is data in a segment frame", Format::Segment, { bytes({ 0x11, 0x0D }) }, {}, "", "1D", "10" },
        { "E-tagged byte right after a frame end", Format::Segment, { seg + bytes({ 0xE7 }) },
            { "0123456789ABCF" }, "7", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadingState fresh;
        state = fresh;
        FrameAssembler assembler(state);
        assembler.setSegmentFrameHandler([this] { record(Format::Segment); });
        assembler.setModeFrameHandler([this] { record(Format::Mode); });
        decoded.clear();
        feeding = c.format;
        for (const QByteArray& event : c.events) {
            if (c.format == Format::Segment)
                assembler.H20VRData(event);
            else
                assembler.H40VRData(event);
        }
        EXPECT_EQ(decoded, c.decoded);
        EXPECT_EQ(state.FrameText, c.frameText);
        EXPECT_EQ(assembler.FrameLowDigits(), c.low);
        EXPECT_EQ(assembler.FrameHighDigits(), c.high);
    }
}

/** A mode frame led by the previous frame's LF whose four digits are @p digits. */
QByteArray modeFrame(const char* digits)
{
    QByteArray out = bytes({ 0x0A, 0x34 });
    for (int i = 0; i < 4; ++i)
        out += char(0x30 | (digits[i] - '0'));
    return out + bytes({ 0x3B, 0x30, 0x30, 0x3A, 0x0D });
}

QString modeText(const char* digits)
{
    return QStringLiteral("A4%1B00AD").arg(QLatin1String(digits));
}

// Something inside a decoder may let the event loop run, and the port's poll
// then hands in more bytes while the frame is still being decoded. They must
// be framed after the rest of the current batch, never spliced into it.
TEST_F(FrameAssemblerTest, BytesHandedInDuringADecodeWaitTheirTurn)
{
    const QByteArray segA = segmentFrame("0123456789ABCF");
    const QByteArray segB = segmentFrame("FEDCBA98765432");
    const QByteArray segC = segmentFrame("11111111111111");
    const QByteArray a = modeFrame("1111"), b = modeFrame("2222"), c = modeFrame("3333"),
                     d = modeFrame("4444");
    struct ReentryCase {
        const char* name;
        Format format;
        QByteArray batch; ///< the batch the poll delivered
        std::vector<std::pair<size_t, QByteArray>> during; ///< bytes handed in while decoder call N runs
        std::vector<QString> decoded;
    };
    const ReentryCase cases[] = {
        { "rest of the batch comes first", Format::Mode, a + b + c.left(4), { { 0, c.mid(4) + d } },
            { modeText("1111"), modeText("2222"), modeText("3333"), modeText("4444") } },
        { "a frame split by the re-entry is not glued to a later one", Format::Mode, a + b.left(6),
            { { 0, b.mid(6) + c.left(3) } }, { modeText("1111"), modeText("2222") } },
        { "queued bytes may bring more bytes in turn", Format::Mode, a + b, { { 0, c }, { 2, d } },
            { modeText("1111"), modeText("2222"), modeText("3333"), modeText("4444") } },
        { "segment frames keep their order too", Format::Segment, segA + segB.left(7),
            { { 0, segB.mid(7) + segC } }, { "0123456789ABCF", "FEDCBA98765432", "11111111111111" } },
    };
    for (const ReentryCase& rc : cases) {
        SCOPED_TRACE(rc.name);
        ReadingState fresh;
        FrameAssembler assembler(fresh);
        std::vector<QString> seen;
        int depth = 0;
        int deepest = 0;
        const auto handler = [&] {
            ++depth;
            deepest = std::max(deepest, depth);
            const size_t call = seen.size();
            seen.push_back(fresh.FrameText);
            for (const auto& [when, more] : rc.during) {
                if (when != call)
                    continue;
                if (rc.format == Format::Segment)
                    assembler.H20VRData(more);
                else
                    assembler.H40VRData(more);
            }
            --depth;
        };
        assembler.setSegmentFrameHandler(handler);
        assembler.setModeFrameHandler(handler);
        if (rc.format == Format::Segment)
            assembler.H20VRData(rc.batch);
        else
            assembler.H40VRData(rc.batch);
        EXPECT_EQ(seen, rc.decoded);
        EXPECT_EQ(deepest, 1) << "a decoder ran inside another";
    }
}

TEST_F(FrameAssemblerTest, AccumulatorsStayBoundedOnALineWithoutFrameEnds)
{
    const std::pair<Format, QByteArray> cases[] = {
        { Format::Mode, kModeFrame },
        { Format::Segment, segmentFrame("0123456789ABCF") },
    };
    for (const auto& [format, goodFrame] : cases) {
        SCOPED_TRACE(format == Format::Mode ? "mode" : "segment");
        decoded.clear();
        const QByteArray noise(100, char(0x31));
        for (int event = 0; event < 50; ++event) {
            feed(format, noise);
            ASSERT_LE(framer.FrameLowDigits().size(), FrameAssembler::MaxAccumulatedBytes);
            ASSERT_EQ(framer.FrameHighDigits().size(), framer.FrameLowDigits().size());
        }
        // The noise ends at the next frame end; the frame after it is good.
        feed(format, goodFrame + goodFrame);
        EXPECT_EQ(decoded.size(), 1u);
        EXPECT_LE(state.FrameText.size(), FrameAssembler::MaxAccumulatedBytes);
    }
}

} // namespace
