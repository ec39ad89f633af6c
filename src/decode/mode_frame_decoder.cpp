#include "decode/mode_frame_decoder.h"

#include "decode/frame_log.h"
#include "decode/mode_frame_interpreter.h"
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
    const QChar mark = decimalPointIsDot ? u'.' : u',';
    const std::optional<ModeFrameOutcome> outcome
        = ModeFrameInterpreter::interpret(reading_.FrameText, mark, variant_, profile_);
    if (!outcome)
        return std::nullopt;

    reading_.IdleTicks = 0;
    frameLog_.append(reading_.FrameText);
    reading_.ValueText = outcome->valueText;
    reading_.ReadingValue = outcome->readingValue;
    reading_.UnitText = outcome->unitText;
    reading_.AcDcText = outcome->acDcText;
    reading_.AutoText = outcome->autoText;

    {
        PanelModel::Batch batch(panel_);
        for (int e = 0; e < PanelModel::ElementCount; ++e) {
            if (const auto& shown = outcome->shown[std::size_t(e)])
                panel_.setVisible(PanelModel::Element(e), *shown);
        }
        const DecodedDisplay& d = outcome->display;
        panel_.setCaption(PanelModel::LcdDa, d.DigitA);
        panel_.setCaption(PanelModel::LcdDb, d.DigitB);
        panel_.setCaption(PanelModel::LcdDc, d.DigitC);
        panel_.setCaption(PanelModel::LcdDd, d.DigitD);
    }
    emit frameDecoded();
    return outcome->display;
}
