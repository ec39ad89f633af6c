// Renders the LCD panel to PNG files: the start state, a few frames through
// the mode-frame decoder, and every element lit at once.
// Usage: lcd_panel_render OUTPUT_DIR [SCALE]
#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/frame_log.h"
#include "decode/lcd_panel_widget.h"
#include "decode/mode_frame_decoder.h"
#include "decode/panel_model.h"
#include "decode/reading_state.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

void save(LcdPanelWidget& widget, const QString& path, int scale)
{
    QImage image(widget.size() * scale, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    widget.render(&painter);
    painter.end();
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [SCALE]\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const int scale = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    const BuildVariant variant = BuildVariant::shipped();
    const CountProfile profile;
    ReadingState reading;
    PanelModel panel;
    FrameLog log;
    ModeFrameDecoder decoder(reading, panel, log, variant, profile);
    LcdPanelWidget widget(&panel);

    save(widget, out.filePath(QStringLiteral("panel_start.png")), scale);

    const std::pair<const char*, const char*> frames[] = {
        { "volts_dc_auto", "A11234B00AD" },
        { "overload", "A41234B101D" },
        { "kiloohm", "A21234300AD" },
        { "microamp_ac", "A00123D005D" },
        { "kilohertz", "A212342001D" },
        { "kilorpm", "A012342801D" },
        { "diode", "A005121001D" },
        { "beeper", "A000125001D" },
        { "fahrenheit", "A007734001D" },
        { "nanofarad", "A247116001D" },
    };
    for (const auto& [name, frame] : frames) {
        reading.FrameText = QString::fromLatin1(frame);
        decoder.LcdDisplay40V(true);
        panel.setBarPosition(int(reading.ReadingValue) / 100);
        save(widget, out.filePath(QStringLiteral("panel_%1.png").arg(QLatin1String(name))), scale);
    }

    // -25.6 degrees Celsius, as a segment-frame meter shows it.
    panel.reset();
    panel.setCaption(PanelModel::LcdDa, QString());
    panel.setCaption(PanelModel::LcdDb, QStringLiteral("2"));
    panel.setCaption(PanelModel::LcdDc, QStringLiteral("5"));
    panel.setCaption(PanelModel::LcdDd, QStringLiteral("6"));
    panel.setVisible(PanelModel::LcdP3, true);
    panel.setVisible(PanelModel::LCDCS, true);
    panel.setBarPosition(25);
    save(widget, out.filePath(QStringLiteral("panel_celsius.png")), scale);

    // Everything lit, to check that nothing overlaps.
    for (int e = 0; e < PanelModel::ElementCount; ++e)
        panel.setVisible(PanelModel::Element(e), true);
    for (auto e : { PanelModel::LcdDa, PanelModel::LcdDb, PanelModel::LcdDc, PanelModel::LcdDd })
        panel.setCaption(e, QStringLiteral("8"));
    panel.setBarPosition(60);
    save(widget, out.filePath(QStringLiteral("panel_all.png")), scale);
    return 0;
}
