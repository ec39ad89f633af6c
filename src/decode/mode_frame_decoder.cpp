#include "decode/mode_frame_decoder.h"

#include "decode/frame_log.h"
#include "decode/panel_model.h"
#include "decode/reading_state.h"

ModeFrameDecoder::ModeFrameDecoder(ReadingState& reading, PanelModel& panel, FrameLog& frameLog,
    const BuildVariant& variant, const CountProfile& profile, QObject* parent)
    : QObject(parent)
    , reading_(reading)
    , panel_(panel)
    , frameLog_(frameLog)
    , variant_(variant)
    , profile_(profile)
{
}

std::optional<DecodedDisplay> ModeFrameDecoder::LcdDisplay40V(bool decimalPointIsDot)
{
    Q_UNUSED(decimalPointIsDot);
    return std::nullopt;
}
