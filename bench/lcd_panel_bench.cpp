// Cost of one mode frame: decoding it into the reading state and panel, and
// painting the panel once.
#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/frame_log.h"
#include "decode/lcd_panel_widget.h"
#include "decode/mode_frame_decoder.h"
#include "decode/panel_model.h"
#include "decode/reading_state.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

const char* const Frames[] = { "A11234B00AD", "A41234B501D", "A21234300AD", "A012342801D", "A00123D005D" };

void BM_DecodeModeFrame(benchmark::State& state)
{
    const BuildVariant variant = BuildVariant::shipped();
    const CountProfile profile;
    ReadingState reading;
    PanelModel panel;
    FrameLog log;
    ModeFrameDecoder decoder(reading, panel, log, variant, profile);
    std::size_t i = 0;
    for (auto _ : state) {
        reading.FrameText = QString::fromLatin1(Frames[i++ % std::size(Frames)]);
        benchmark::DoNotOptimize(decoder.LcdDisplay40V(false));
    }
}
BENCHMARK(BM_DecodeModeFrame);

void BM_PaintPanel(benchmark::State& state)
{
    PanelModel panel;
    LcdPanelWidget widget(&panel);
    QImage image(widget.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        widget.render(&painter);
    }
}
BENCHMARK(BM_PaintPanel)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
