// Start-up: FormCreate and its steps, the build variant and the count profile.
#include "app/tfcomm.h"
#include "base/variant_settings.h"
#include "link/com_port_driver.h"
#include "records/chart_pager.h"
#include "records/records_table.h"
#include "records/trend_chart_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <exception>

void TFCOMM::FormCreate()
{
    using Step = void (TFCOMM::*)();
    static constexpr Step steps[] = {
        &TFCOMM::cs123,
        &TFCOMM::startCountProfile,
        &TFCOMM::startLastUnit,
        &TFCOMM::openRecordsTable,
        &TFCOMM::startLogState,
        &TFCOMM::startChartSeries,
        &TFCOMM::showFilledOrLine,
        &TFCOMM::applyVariantOptions,
        &TFCOMM::applyCountProfile,
        &TFCOMM::startChartAxis,
    };
    // A failing step is reported and the others still run: without a
    // records table the framer, title, speed, profile and axis are set all
    // the same, so the panel, the verdict and the chart work and the log
    // reports the missing table while reading.
    for (Step step : steps) {
        try {
            (this->*step)();
        } catch (const std::exception& e) {
            showMessage(QMessageBox::Critical, QString::fromUtf8(e.what()));
        }
    }
}

void TFCOMM::cs123()
{
    // The table store keeps no control or temporary files, so the records
    // session needs no folders of its own.
}

void TFCOMM::startCountProfile()
{
    // The pipeline took the variant's count profile when it was made.
    pipeline_->evaluation().reset(pipeline_->countProfile().FullScaleCount);
}

void TFCOMM::startLastUnit()
{
    pipeline_->evaluation().LastUnitText = QStringLiteral("113");
}

void TFCOMM::openRecordsTable()
{
    // Read only and not locked exclusively, so two windows can log side by
    // side; a missing template is reported with every folder searched.
    T20VDB->openTemplate();
}

void TFCOMM::startLogState()
{
}

void TFCOMM::startChartSeries()
{
    pipeline_->chart().BtNewClick();
    Chtshow->ComboBox1->setCurrentIndex(0);
}

void TFCOMM::showFilledOrLine()
{
    ShowSeries(Chtshow->BtFill->isChecked() ? 0 : 1);
}

void TFCOMM::applyVariantOptions()
{
    // The pipeline frames, and shows the first digit's "3", as the variant
    // says; the window binds the port to it and takes the title and speed.
    const VariantSettings& settings = pipeline_->settings();
    if (settings.framer != VariantSettings::Framer::None) {
        COMM2->setOnReceiveData([this](const QByteArray& data) { pipeline_->receive(data); });
        boundFramer_ = settings.framerName();
    }
    if (!settings.title.isEmpty())
        setWindowTitle(settings.title);
    if (settings.speed19200)
        COMM2->setComPortSpeed(TComPortBaudRate::br19200);
}

void TFCOMM::applyCountProfile()
{
    const CountProfile& profile = pipeline_->countProfile();
    if (profile.code != QLatin1String("6") && profile.code != QLatin1String("34"))
        return;
    pipeline_->evaluation().reset(profile.FullScaleCount);
    MaxText->setText(QString::number(-(profile.FullScaleCount + 1)));
    MinText->setText(QString::number(profile.FullScaleCount + 1));
    // The alarm editors only show the full scale here; the limits keep
    // full scale + 2 until the user edits one of them.
    for (auto [box, text] : { std::pair { Chtshow->Setmax, profile.FullScaleCount },
             std::pair { Chtshow->SetMin, -profile.FullScaleCount } }) {
        const QSignalBlocker quiet(box);
        box->setText(QString::number(text));
    }
}

void TFCOMM::startChartAxis()
{
    const CountProfile& profile = pipeline_->countProfile();
    setChartAxisRange(profile.FullScaleCount, -profile.FullScaleCount);
}
