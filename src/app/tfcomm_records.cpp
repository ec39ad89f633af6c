// Reading log and trend chart: the window's handlers for the log options,
// the Record menu, the chart's tool row and the Graphic menu.
#include "app/tfcomm.h"
#include "records/chart_pager.h"
#include "records/reading_log.h"
#include "records/records_table.h"
#include "records/records_table_sink.h"
#include "records/trend_chart_widget.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>

#include <exception>

void TFCOMM::buildRecording(QWidget* client)
{
    Chtshow = new TrendChartWidget(pipeline_->chart(), client);
    Chtshow->setGeometry(288, 173, 382, 292);
}

void TFCOMM::connectRecording()
{
    ReadingLog& log = pipeline_->log();
    log.setRecordSI(RecordSI->isChecked());
    log.setRepeatSet(RepeatSet->isChecked());
    log.setIntervalText(RecordSITime->text());
    // Digits only (the key filter), nine at most so the interval always converts.
    RecordSITime->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), RecordSITime));
    connect(RecordSI, &QCheckBox::toggled, this, [this](bool on) { pipeline_->log().setRecordSI(on); });
    connect(RepeatSet, &QCheckBox::toggled, this, [this](bool on) { pipeline_->log().setRepeatSet(on); });
    connect(RepeatSet, &QCheckBox::clicked, this, &TFCOMM::btFillClick);
    connect(RecordSITime, &QLineEdit::textChanged, this, &TFCOMM::RecordSITimeChange);
    connect(Trecord, &QTimer::timeout, this, &TFCOMM::TrecordTimer);
    connect(&log, &ReadingLog::rowRefused, this, [this](const QString& message, qint64 unlogged) {
        readingNotice_->show(message, ReadingLog::unloggedMessage(unlogged));
    });
    connect(&log, &ReadingLog::limitReached, this, [this](qint32 limit) {
        // Once, without a modal box: the meter link keeps running behind it.
        auto* box = new QMessageBox(QMessageBox::Information, windowTitle(),
            ReadingLog::limitReachedMessage(limit), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    });

    connect(RecordNew, &QToolButton::clicked, this, &TFCOMM::RecordNewClick);
    connect(New1, &QAction::triggered, this, &TFCOMM::RecordNewClick);
    connect(N10001, &QAction::triggered, this, &TFCOMM::N10001Click);
    connect(N50001, &QAction::triggered, this, &TFCOMM::N50001Click);
    connect(N100001, &QAction::triggered, this, &TFCOMM::N100001Click);
    connect(N500001, &QAction::triggered, this, &TFCOMM::N500001Click);
    connect(N1000001, &QAction::triggered, this, &TFCOMM::N1000001Click);
    connect(limitess, &QAction::triggered, this, &TFCOMM::limitessClick);

    connect(First1, &QAction::triggered, this, &TFCOMM::BtFirstClick);
    connect(Previous1, &QAction::triggered, this, &TFCOMM::BTPreviousClick);
    connect(Next1, &QAction::triggered, this, &TFCOMM::BtNextClick);
    connect(Last1, &QAction::triggered, this, &TFCOMM::BTlastClick);
    connect(New2, &QAction::triggered, this, &TFCOMM::BtNewClick);
    connect(Save2, &QAction::triggered, this, &TFCOMM::BtSaveClick);
    connect(Fill1, &QAction::triggered, this, &TFCOMM::FillClick);
    connect(Chtshow, &TrendChartWidget::fillChanged, Fill1, &QAction::setChecked);
    connect(Chtshow, &TrendChartWidget::conversionFailed, this,
        [this](const QString& message) { showMessage(QMessageBox::Critical, message); });
    connect(Chtshow, &TrendChartWidget::highAlarmLimitChanged, this,
        [this](float limit) { pipeline_->evaluation().HighAlarmLimit = limit; });
    connect(Chtshow, &TrendChartWidget::lowAlarmLimitChanged, this,
        [this](float limit) { pipeline_->evaluation().LowAlarmLimit = limit; });
}

QString TFCOMM::recordNewQuestion(qint64 unsaved)
{
    return (unsaved == 1 ? QStringLiteral("1 record has not been saved.")
                         : QStringLiteral("%1 records have not been saved.").arg(unsaved))
        + QStringLiteral("\nDelete the records anyway?");
}

ChartPager& TFCOMM::chartPager()
{
    return pipeline_->chart();
}

ReadingLog& TFCOMM::readingLog()
{
    return pipeline_->log();
}

void TFCOMM::INDataToTable()
{
    try {
        pipeline_->log().INDataToTable(pipeline_->reading());
    } catch (const std::exception& e) {
        // An interval text that is no number: one box at a time, never waiting.
        showReadingError(QString::fromUtf8(e.what()));
    }
}

void TFCOMM::RecordNewClick()
{
    // One click beside Open and Save must not wipe rows that were never saved.
    const qint64 unsaved = T20VDB->unsavedRowCount();
    if (unsaved > 0
        && asker_->ask(
               this, QMessageBox::Question, recordNewQuestion(unsaved), QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    showMessage(QMessageBox::Information, ReadingLog::recordDeletedMessage());
    try {
        pipeline_->log().RecordNewClick();
    } catch (const std::exception& e) {
        showMessage(QMessageBox::Critical, QString::fromUtf8(e.what()));
    }
}

void TFCOMM::chooseRecordLimit(QAction* item)
{
    const QList<QAction*> items { N10001, N50001, N100001, N500001, N1000001, limitess };
    for (qsizetype i = 0; i < items.size(); ++i) {
        items[i]->setChecked(items[i] == item);
        if (items[i] == item)
            pipeline_->log().setRecordLimit(ReadingLog::limitItems()[i].limit);
    }
}

void TFCOMM::N10001Click()
{
    chooseRecordLimit(N10001);
}

void TFCOMM::N50001Click()
{
    chooseRecordLimit(N50001);
}

void TFCOMM::N100001Click()
{
    chooseRecordLimit(N100001);
}

void TFCOMM::N500001Click()
{
    chooseRecordLimit(N500001);
}

void TFCOMM::N1000001Click()
{
    chooseRecordLimit(N1000001);
}

void TFCOMM::limitessClick()
{
    chooseRecordLimit(limitess);
}

void TFCOMM::RecordSITimeChange()
{
    try {
        pipeline_->log().RecordSITimeChange(RecordSITime->text());
    } catch (const std::exception& e) {
        showMessage(QMessageBox::Critical, QString::fromUtf8(e.what()));
    }
}

void TFCOMM::TrecordTimer()
{
    pipeline_->log().TrecordTimer();
}

void TFCOMM::BtFirstClick()
{
    pipeline_->chart().BtFirstClick();
}

void TFCOMM::BTPreviousClick()
{
    pipeline_->chart().BTPreviousClick();
}

void TFCOMM::BtNextClick()
{
    pipeline_->chart().BtNextClick();
}

void TFCOMM::BTlastClick()
{
    pipeline_->chart().BTlastClick();
}

void TFCOMM::DELDATAClick()
{
    pipeline_->chart().DELDATAClick();
}

void TFCOMM::BtNewClick()
{
    Chtshow->BtNewClick();
}

void TFCOMM::BtSaveClick()
{
    Chtshow->BtSaveClick();
}

void TFCOMM::ShowSeries(int index)
{
    pipeline_->chart().ShowSeries(index);
}

void TFCOMM::btFillClick()
{
    Chtshow->btFillClick();
}

void TFCOMM::FillClick()
{
    // The menu has toggled its own check already; the Fill box decides.
    const bool fill = !Chtshow->BtFill->isChecked();
    Fill1->setChecked(fill);
    Chtshow->BtFill->setChecked(fill);
    btFillClick();
}

void TFCOMM::MaxrecordExit()
{
    try {
        pipeline_->chart().MaxrecordExit(Chtshow->Maxrecord->text());
    } catch (const std::exception& e) {
        showMessage(QMessageBox::Critical, QString::fromUtf8(e.what()));
    }
}

void TFCOMM::TbFdClick()
{
    Chtshow->TbFdClick();
}
