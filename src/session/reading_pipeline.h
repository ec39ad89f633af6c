#pragma once

#include "base/build_variant.h"
#include "base/count_profile.h"
#include "base/variant_settings.h"
#include "decode/evaluation_view.h"
#include "decode/frame_assembler.h"
#include "decode/frame_log.h"
#include "decode/mode_frame_decoder.h"
#include "decode/panel_model.h"
#include "decode/reading_evaluator.h"
#include "decode/reading_state.h"
#include "decode/segment_frame_decoder.h"
#include "records/chart_pager.h"
#include "records/reading_log.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class RecordSink;

/**
 * The road of one reading, without any display: received bytes are framed by
 * the variant's framer, decoded, evaluated (extremes, verdict, alarm, chart
 * value) and handed to the reading log, which writes rows into a sink and
 * points into the chart pager.
 *
 * The window and the headless logger both run their readings through this
 * object; each adds what only it has (widgets, output files) through the
 * evaluator's hooks and the sink.
 */
class ReadingPipeline : public QObject {
    Q_OBJECT
public:
    /**
     * A pipeline for @p variant: the count profile and the framer follow the
     * variant. Rows go to @p sink, which must outlive the pipeline.
     */
    ReadingPipeline(const BuildVariant& variant, RecordSink& sink, QObject* parent = nullptr);

    const BuildVariant& variant() const { return variant_; }
    const VariantSettings& settings() const { return settings_; }
    const CountProfile& countProfile() const { return profile_; }

    /** Received bytes, in order, to the variant's framer; dropped when the variant binds none. */
    void receive(const QByteArray& bytes);
    /** Decodes the mode frame in FrameText and evaluates it (also called for USB frames). */
    void decodeModeFrame();
    /** Decodes the segment frame in FrameText and evaluates it. */
    void decodeSegmentFrame();

    /** The decimal mark of value texts: "." when true, "," when false (the window's checksystem box). */
    void setDecimalPointIsDot(std::function<bool()> isDot) { decimalPointIsDot_ = std::move(isDot); }
    /**
     * Errors of the reading path (a closed or refusing table, an interval text
     * that does not convert) go here; the frame's handling ends and the next
     * frame is decoded normally. Without a handler they are dropped.
     */
    void setErrorHandler(std::function<void(const QString&)> handler) { errorHandler_ = std::move(handler); }

    ReadingState& reading() { return reading_; }
    EvaluationState& evaluation() { return evaluation_; }
    PanelModel& panel() { return panel_; }
    FrameLog& frameLog() { return frameLog_; }
    EvaluationView& view() { return view_; }
    FrameAssembler& framer() { return framer_; }
    ModeFrameDecoder& modeDecoder() { return modeDecoder_; }
    SegmentFrameDecoder& segmentDecoder() { return segmentDecoder_; }
    ReadingEvaluator& evaluator() { return evaluator_; }
    /** The evaluator's hooks, filled in for a display-free run; the window replaces the ones it serves. */
    ReadingEvaluator::Hooks& hooks() { return evaluator_.hooks(); }
    ChartPager& chart() { return chart_; }
    ReadingLog& log() { return log_; }

signals:
    /** A frame was decoded (the link is alive). */
    void frameDecoded();

private:
    template <typename Decode> void runGuarded(Decode&& decode);

    const BuildVariant variant_;
    const VariantSettings settings_;
    CountProfile profile_;
    ReadingState reading_;
    EvaluationState evaluation_;
    PanelModel panel_;
    FrameLog frameLog_;
    EvaluationView view_;
    FrameAssembler framer_ { reading_ };
    ModeFrameDecoder modeDecoder_ { reading_, panel_, frameLog_, variant_, profile_ };
    SegmentFrameDecoder segmentDecoder_ { reading_, panel_, profile_, variant_ };
    ReadingEvaluator evaluator_ { reading_, evaluation_, panel_, profile_, view_ };
    ChartPager chart_;
    ReadingLog log_;
    std::function<bool()> decimalPointIsDot_;
    std::function<void(const QString&)> errorHandler_;
};
