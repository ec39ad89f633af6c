// USB cable link: the hidden device and history lists, "USB Connect" and the
// cable commands. The logic lives in UsbCableLink; this file only binds it to
// the window's controls.
#include "app/link_health_view.h"
#include "app/tfcomm.h"
#include "link/hid/controller_error.h"
#include "link/hid/linux_hid_platform.h"
#include "link/hid/usb_cable_link.h"
#include "link/serial_link_supervisor.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

void TFCOMM::buildUsbLink(QWidget* client, std::unique_ptr<HidPlatform> platform)
{
    // The lists and buttons lie beyond the client area: the program works them itself.
    DevListBox = new QListWidget(client);
    DevListBox->setObjectName(QStringLiteral("DevListBox"));
    DevListBox->setGeometry(700, 570, 200, 60);
    HistoryListBox = new QListWidget(client);
    HistoryListBox->setObjectName(QStringLiteral("HistoryListBox"));
    HistoryListBox->setGeometry(700, 640, 200, 80);
    SetFeature = new QPushButton(QStringLiteral("SetFeature"), client);
    SetFeature->setObjectName(QStringLiteral("SetFeature"));
    SetFeature->setGeometry(780, 480, 80, 25);
    ClearBtn = new QToolButton(client);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    ClearBtn->setText(QStringLiteral("Clear"));
    ClearBtn->setGeometry(780, 510, 60, 25);
    InfoBtn = new QToolButton(client);
    InfoBtn->setObjectName(QStringLiteral("InfoBtn"));
    InfoBtn->setText(QStringLiteral("Info"));
    InfoBtn->setGeometry(780, 540, 60, 25);
    USBtxt = new QLabel(client);
    USBtxt->setObjectName(QStringLiteral("USBtxt"));
    USBtxt->hide();

    hidPlatform_ = platform ? std::move(platform) : std::make_unique<LinuxHidPlatform>();
    UsbLinkControls controls;
    controls.usbConDown = [this] { return USBCon->isChecked(); };
    controls.raiseUsbCon = [this] { USBCon->setChecked(false); };
    controls.readBtnDown = [this] { return ReadBtn->isChecked(); };
    controls.raiseReadBtn = [this] { ReadBtn->setChecked(false); };
    controls.setReviewEnabled = [this](bool enabled) { setReviewButtonsEnabled(enabled); };
    controls.showInformation = [this](const QString& text) { showMessage(QMessageBox::Information, text); };
    controls.modeFrameComplete = [this] { LcdDisplay40V(); };
    controls.segmentFrameComplete = [this] { LcdDisplay20V(); };

    // The views follow the link; connect before the link lists the devices.
    const auto showDevices = [this] {
        const QSignalBlocker blocker(DevListBox);
        DevListBox->clear();
        DevListBox->addItems(usbLink_->DevListLines());
        DevListBox->setCurrentRow(usbLink_->DevListSelected());
    };
    try {
        usbLink_ = std::make_unique<UsbCableLink>(
            *hidPlatform_, pipeline_->variant(), pipeline_->reading(), std::move(controls));
    } catch (const EControllerError&) {
        // Another window already holds the HID controller: this one has no USB link.
        USBCon->setEnabled(false);
        return;
    }
    showDevices();
    connect(usbLink_.get(), &UsbCableLink::deviceListChanged, this, showDevices);
    connect(usbLink_.get(), &UsbCableLink::historyLineAdded, this, [this](const QString& line) {
        HistoryListBox->addItem(line);
        while (HistoryListBox->count() > UsbCableLink::HistoryLimit)
            delete HistoryListBox->takeItem(0);
        HistoryListBox->setCurrentRow(HistoryListBox->count() - 1);
    });
    connect(usbLink_.get(), &UsbCableLink::historyCleared, HistoryListBox, &QListWidget::clear);
    connect(usbLink_.get(), &UsbCableLink::usbTextChanged, USBtxt, &QLabel::setText);
    // Trouble with the cable is told without a modal box: it can come while nobody watches.
    connect(usbLink_.get(), &UsbCableLink::linkProblem, usbNotice_,
        [this](const QString& text) { usbNotice_->show(text); });
    connect(usbLink_.get(), &UsbCableLink::cableLost, this, &TFCOMM::usbCableLost);
    connect(usbLink_.get(), &UsbCableLink::cableRestored, this, &TFCOMM::usbCableRestored);
    connect(usbLink_.get(), &UsbCableLink::waitingCancelled, this, &TFCOMM::clearUsbLoss);
    connect(DevListBox, &QListWidget::currentRowChanged, this,
        [this](int row) { usbLink_->SetDevListSelected(row); });

    connect(USBCon, &QToolButton::clicked, this, &TFCOMM::USBConClick);
    connect(ReadBtn, &QToolButton::clicked, this, &TFCOMM::ReadBtnClick);
    connect(SetFeature, &QPushButton::clicked, this, &TFCOMM::SetFeatureClick);
    connect(ClearBtn, &QToolButton::clicked, this, &TFCOMM::ClearBtnClick);
    connect(InfoBtn, &QToolButton::clicked, this, &TFCOMM::InfoBtnClick);
}

void TFCOMM::USBConClick()
{
    if (!usbLink_)
        return;
    usbLink_->USBConClick();
    if (USBCon->isChecked())
        noteLogSource(QStringLiteral("USB cable"));
    else
        noteLoggingStopped();
}

void TFCOMM::SetFeatureClick()
{
    if (usbLink_)
        usbLink_->SetFeatureClick();
}

void TFCOMM::ReadBtnClick()
{
    if (usbLink_)
        usbLink_->ReadBtnClick();
}

void TFCOMM::ClearBtnClick()
{
    if (usbLink_)
        usbLink_->ClearBtnClick();
}

void TFCOMM::InfoBtnClick()
{
    if (!usbLink_)
        return;
    const QString info = usbLink_->InfoText();
    if (!info.isEmpty())
        showMessage(QMessageBox::Information, info);
}

void TFCOMM::usbCableLost(const QDateTime& when)
{
    LinkHealthView::markLost(USBCon, LinkHealthView::lostHint(QStringLiteral("the USB cable"), when));
    linkView_->setReadingStale(true);
    CONok->hide();
    CONokN->show();
    usbNotice_->show(QStringLiteral("The USB cable was unplugged at %1.\nIt is taken up again by itself, and "
                                    "logging goes on, when the same cable is plugged in again.")
                         .arg(when.time().toString(QStringLiteral("HH:mm:ss"))));
}

void TFCOMM::usbCableRestored(const QDateTime& when)
{
    LinkHealthView::markWorking(
        USBCon, LinkHealthView::backHint(QStringLiteral("USB cable"), usbLink_->CableLostAt(), when));
    // A problem met while taking the cable up again stays on screen.
    if (usbNotice_->text().startsWith(QStringLiteral("The USB cable was unplugged")))
        usbNotice_->clear();
}

void TFCOMM::clearUsbLoss()
{
    LinkHealthView::markWorking(USBCon, QString());
    usbNotice_->clear();
    if (!serialLink_ || serialLink_->state() != SerialLinkSupervisor::State::Lost)
        linkView_->setReadingStale(false);
}
