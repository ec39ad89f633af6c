// Glue of the reading path: framer -> decoder -> evaluation -> window views.
#include "app/shape_circle.h"
#include "app/tfcomm.h"
#include "decode/limit_text_validator.h"
#include "decode/unit_glyphs.h"
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <exception>

void TFCOMM::connectDecoding()
{
    ReadingPipeline& p = *pipeline_;
    connect(&p, &ReadingPipeline::frameDecoded, this, &TFCOMM::showLinkActive);
    p.segmentDecoder().setChartAxisRange = [this](double max, double min) { setChartAxisRange(max, min); };
    connect(&p.view(), &EvaluationView::changed, this, &TFCOMM::showEvaluationView);
    p.setDecimalPointIsDot([this] { return checksystem->isChecked(); });
    // An error while handling a frame ends that frame's handling and is
    // shown without waiting; the link goes on with the next frame.
    p.setErrorHandler([this](const QString& message) { showReadingError(message); });

    T1HI->setValidator(new LimitTextValidator(T1HI));
    T1LO->setValidator(new LimitTextValidator(T1LO));
    bindEvaluatorHooks();
}

void TFCOMM::bindEvaluatorHooks()
{
    // The pipeline's own hooks serve the log and the chart; the window adds
    // its limit fields, the beep, its alarm switches and its chart widget.
    ReadingEvaluator::Hooks& hooks = pipeline_->hooks();
    hooks.T1HIText = [this] { return T1HI->text(); };
    hooks.T1LOText = [this] { return T1LO->text(); };
    hooks.beep = [] { QApplication::beep(); };
    hooks.setChartAxisRange = [this](double max, double min) { setChartAxisRange(max, min); };
    hooks.INDataToTable = [this] { INDataToTable(); };
    hooks.BtNewClick = [this] { BtNewClick(); };
    hooks.SetMaxBChecked = [this] { return Chtshow->SetMaxB->isChecked(); };
    hooks.SetMinBChecked = [this] { return Chtshow->SetMinB->isChecked(); };
}

void TFCOMM::LcdDisplay40V()
{
    pipeline_->decodeModeFrame();
}

void TFCOMM::LcdDisplay20V()
{
    pipeline_->decodeSegmentFrame();
}

void TFCOMM::showLinkActive()
{
    CONok->show();
    CONokN->hide();
}

void TFCOMM::setChartAxisRange(double max, double min)
{
    chartAxisMax_ = max;
    chartAxisMin_ = min;
    pipeline_->chart().setValueRange(min, max);
}

void TFCOMM::showEvaluationView()
{
    const EvaluationView& v = pipeline_->view();
    MaxText->setText(v.MaxText());
    MinText->setText(v.MinText());
    MaxTextU->setText(UnitGlyphs::toDisplay(v.MaxTextU()));
    MinTextU->setText(UnitGlyphs::toDisplay(v.MinTextU()));
    T1VALUE->setText(v.T1VALUE());
    judge->setText(v.judgeText());
    oltext->setVisible(v.oltextShown());
    const QColor colour = v.verdictColour();
    if (colour.isValid()) {
        // The label is transparent over the lamp: its colour shows through the lamp, the text stays black.
        QPalette pal = judge->palette();
        pal.setColor(QPalette::Window, colour);
        judge->setPalette(pal);
        Shape1->setBrushColor(colour);
        QPalette value = T1VALUE->palette();
        value.setColor(QPalette::Base, colour);
        T1VALUE->setPalette(value);
    }
}
