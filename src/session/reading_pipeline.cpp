#include "session/reading_pipeline.h"

#include "records/table_store_error.h"

#include <exception>

ReadingPipeline::ReadingPipeline(const BuildVariant& variant, RecordSink& sink, QObject* parent)
    : QObject(parent)
    , variant_(variant)
    , settings_(VariantSettings::resolve(variant))
    , profile_(CountProfile::forCode(settings_.profileCode))
    , log_(chart_, sink)
{
    evaluation_.reset(profile_.FullScaleCount);
    view_.reset(profile_);
    if (settings_.firstDigitThree)
        panel_.setCaption(PanelModel::LcdDa, QStringLiteral("3"));
    chart_.setValueRange(-profile_.FullScaleCount, profile_.FullScaleCount);

    framer_.setModeFrameHandler([this] { decodeModeFrame(); });
    framer_.setSegmentFrameHandler([this] { decodeSegmentFrame(); });
    connect(&modeDecoder_, &ModeFrameDecoder::frameDecoded, this, &ReadingPipeline::frameDecoded);
    connect(&segmentDecoder_, &SegmentFrameDecoder::frameDecoded, this, &ReadingPipeline::frameDecoded);
    segmentDecoder_.setChartAxisRange = [this](double max, double min) { chart_.setValueRange(min, max); };

    ReadingEvaluator::Hooks& h = evaluator_.hooks();
    h.INDataToTable = [this] { log_.INDataToTable(reading_); };
    h.BtNewClick = [this] { chart_.BtNewClick(); };
    h.chartPagingStep = [this] { chart_.pageAfterReading(); };
    h.addChartPoint = [this](double value) { chart_.addPoint(value); };
    h.setChartAxisRange = [this](double max, double min) { chart_.setValueRange(min, max); };
}

void ReadingPipeline::receive(const QByteArray& bytes)
{
    switch (settings_.framer) {
    case VariantSettings::Framer::Mode:
        framer_.H40VRData(bytes);
        break;
    case VariantSettings::Framer::Segment:
        framer_.H20VRData(bytes);
        break;
    case VariantSettings::Framer::None:
        break;
    }
}

template <typename Decode> void ReadingPipeline::runGuarded(Decode&& decode)
{
    // An error while logging ends this frame's handling; the link goes on.
    try {
        decode();
    } catch (const TableStoreError& e) {
        if (errorHandler_)
            errorHandler_(e.message());
    } catch (const std::exception& e) {
        if (errorHandler_)
            errorHandler_(QString::fromUtf8(e.what()));
    }
}

void ReadingPipeline::decodeModeFrame()
{
    runGuarded([this] {
        const bool dot = decimalPointIsDot_ && decimalPointIsDot_();
        if (const auto display = modeDecoder_.LcdDisplay40V(dot))
            evaluator_.evaluateModeFrame(*display);
    });
}

void ReadingPipeline::decodeSegmentFrame()
{
    runGuarded([this] {
        if (const auto display = segmentDecoder_.LcdDisplay20V())
            evaluator_.evaluateSegmentFrame(*display);
    });
}
