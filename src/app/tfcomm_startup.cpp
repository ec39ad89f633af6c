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
    profile_ = CountProfile::forCode(QStringLiteral("4"));
    evaluation_.reset(profile_.FullScaleCount);
}

void TFCOMM::startLastUnit()
{
    evaluation_.LastUnitText = QStringLiteral("113");
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
    chartPager_->BtNewClick();
    Chtshow->ComboBox1->setCurrentIndex(0);
}

void TFCOMM::showFilledOrLine()
{
    ShowSeries(Chtshow->BtFill->isChecked() ? 0 : 1);
}

void TFCOMM::applyVariantOptions()
{
    const VariantSettings settings = VariantSettings::resolve(variant_);
    switch (settings.framer) {
    case VariantSettings::Framer::Segment:
        COMM2->setOnReceiveData([this](const QByteArray& data) { framer_.H20VRData(data); });
        break;
    case VariantSettings::Framer::Mode:
        COMM2->setOnReceiveData([this](const QByteArray& data) { framer_.H40VRData(data); });
        break;
    case VariantSettings::Framer::None:
        break;
    }
    if (settings.framer != VariantSettings::Framer::None)
        boundFramer_ = settings.framerName();
    if (!settings.title.isEmpty())
        setWindowTitle(settings.title);
    if (settings.firstDigitThree)
        panelModel_.setCaption(PanelModel::LcdDa, QStringLiteral("3"));
    if (settings.speed19200)
        COMM2->setComPortSpeed(TComPortBaudRate::br19200);
    profile_.code = settings.profileCode;
}

void TFCOMM::applyCountProfile()
{
    if (profile_.code != QLatin1String("6") && profile_.code != QLatin1String("34"))
        return;
    profile_ = CountProfile::forCode(profile_.code);
    evaluation_.MaxValue = -float(profile_.FullScaleCount + 1);
    evaluation_.MinValue = float(profile_.FullScaleCount + 1);
    evaluation_.HighAlarmLimit = float(profile_.FullScaleCount + 2);
    evaluation_.LowAlarmLimit = -float(profile_.FullScaleCount + 2);
    MaxText->setText(QString::number(-(profile_.FullScaleCount + 1)));
    MinText->setText(QString::number(profile_.FullScaleCount + 1));
    // The alarm editors only show the full scale here; the limits keep
    // full scale + 2 until the user edits one of them.
    for (auto [box, text] : { std::pair { Chtshow->Setmax, profile_.FullScaleCount },
             std::pair { Chtshow->SetMin, -profile_.FullScaleCount } }) {
        const QSignalBlocker quiet(box);
        box->setText(QString::number(text));
    }
}

void TFCOMM::startChartAxis()
{
    setChartAxisRange(profile_.FullScaleCount, -profile_.FullScaleCount);
}
