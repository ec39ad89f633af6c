#include "link/hid/usb_cable_link.h"

#include "decode/reading_state.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"

#include <vector>

namespace {

const QString UsbCableName = QStringLiteral("USB to Serial");
const QString NotConnectedMessage
    = QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
const QString MeterSilentMessage
    = QStringLiteral("USB interface cable is securely connected, please check if the meter is ready.");

// Characters at 0-based positions first, first + 2, ... of text, at most count of them.
QString everyOther(const QString& text, int first, int count)
{
    QString out;
    for (int i = first; i < text.size() && out.size() < count; i += 2)
        out += text[i];
    return out;
}

// The system's text for an error, without trailing blanks, control characters and full stops.
QString errorMessageText(std::string text)
{
    QString message = QString::fromLocal8Bit(text.c_str()).left(256);
    while (!message.isEmpty()) {
        const QChar last = message.back();
        if (last != QLatin1Char('.') && !last.isSpace() && last.category() != QChar::Other_Control)
            break;
        message.chop(1);
    }
    return message;
}

} // namespace

UsbCableLink::UsbCableLink(HidPlatform& platform, const BuildVariant& variant, ReadingState& reading,
    UsbLinkControls controls, QObject* parent)
    : QObject(parent)
    , platform_(platform)
    , variant_(variant)
    , reading_(reading)
    , controls_(std::move(controls))
    , report40V_([this](THidDevice* dev, uint8_t id, const uint8_t* data, uint16_t size) {
        HidReport40V(dev, id, data, size);
    })
    , report20V_([this](THidDevice* dev, uint8_t id, const uint8_t* data, uint16_t size) {
        HidReport20V(dev, id, data, size);
    })
{
    // Controls the window does not wire behave as absent: up, and silent.
    if (!controls_.usbConDown)
        controls_.usbConDown = [] { return false; };
    if (!controls_.readBtnDown)
        controls_.readBtnDown = [] { return false; };
    if (!controls_.raiseUsbCon)
        controls_.raiseUsbCon = [] {};
    if (!controls_.raiseReadBtn)
        controls_.raiseReadBtn = [] {};
    if (!controls_.setReviewEnabled)
        controls_.setReviewEnabled = [](bool) {};
    if (!controls_.showInformation)
        controls_.showInformation = [](const QString&) {};

    hidCtl_ = std::make_unique<THidDeviceController>(platform_);
    // The order matters: devices listed by the first change report get the
    // read-error handler assigned after it.
    hidCtl_->SetOnArrival([this](THidDevice* dev) { HidCtlArrival(dev); });
    hidCtl_->SetOnEnumerate([this](THidDevice* dev, int idx) { return HidCtlEnumerate(dev, idx); });
    hidCtl_->SetOnDeviceChange([this] { HidCtlDeviceChange(); });
    hidCtl_->SetOnDeviceDataError(
        [this](THidDevice* dev, uint32_t error) { HidCtlDeviceDataError(dev, error); });
    hidCtl_->SetOnRemoval([this](THidDevice* dev) { HidCtlRemoval(dev); });
}

UsbCableLink::~UsbCableLink()
{
    // Without a controller, releasing a device creates no replacement; each
    // device stops its reader before it goes.
    selectedHidDevice_ = nullptr;
    hidCtl_.reset();
    devLines_.clear();
}

QString UsbCableLink::cableName()
{
    return UsbCableName;
}

QString UsbCableLink::DescribeHidDevice(THidDevice* device)
{
    QString text = device->ProductText();
    if (text.isEmpty()) {
        text = QString::asprintf("Device VID=%04X PID=%04X", unsigned(device->Identity().VendorID),
            unsigned(device->Identity().ProductID));
    }
    const QString serial = device->SerialText();
    if (!serial.isEmpty())
        text += QStringLiteral(" (Serial=%1)").arg(serial);
    return text;
}

QStringList UsbCableLink::DevListLines() const
{
    QStringList lines;
    for (const DevLine& line : devLines_)
        lines << line.text;
    return lines;
}

THidDevice* UsbCableLink::DevListDevice(int row) const
{
    return row >= 0 && row < int(devLines_.size()) ? devLines_[std::size_t(row)].device.get() : nullptr;
}

void UsbCableLink::SetDevListSelected(int row)
{
    devSelected_ = row >= 0 && row < int(devLines_.size()) ? row : -1;
}

THidDevice* UsbCableLink::selectedLineDevice() const
{
    return DevListDevice(devSelected_);
}

void UsbCableLink::addHistory(const QString& line)
{
    history_.append(line);
    if (history_.size() > HistoryLimit)
        history_.remove(0, history_.size() - HistoryLimit);
    emit historyLineAdded(line);
}

void UsbCableLink::ClearBtnClick()
{
    history_.clear();
    emit historyCleared();
}

bool UsbCableLink::HidCtlEnumerate(THidDevice* HidDev, int Idx)
{
    if (HidDev->Claimed())
        return true; // listed already: its line, its reader and its selection stay as they are
    DevLine line;
    line.text = DescribeHidDevice(HidDev);
    line.device = hidCtl_->ClaimByIndex(Idx);
    devLines_.push_back(std::move(line));
    return true;
}

int UsbCableLink::rowOf(const THidDevice* device) const
{
    for (int row = 0; row < int(devLines_.size()); ++row) {
        if (device && devLines_[std::size_t(row)].device.get() == device)
            return row;
    }
    return -1;
}

bool UsbCableLink::handlerAttached(const THidDevice* device) const
{
    return device && (device->ReportHandler() == report40V_ || device->ReportHandler() == report20V_);
}

void UsbCableLink::dropGoneDevices()
{
    THidDevice* const selected = selectedLineDevice();
    const bool connected = controls_.usbConDown() && handlerAttached(selected);
    bool selectedGone = false;
    for (std::size_t i = devLines_.size(); i-- > 0;) {
        THidDevice* device = devLines_[i].device.get();
        if (device && device->Present())
            continue;
        if (device && device == selected) {
            selectedGone = true;
            if (connected)
                startWaiting(device);
        }
        if (device && device == selectedHidDevice_)
            selectedHidDevice_ = nullptr;
        std::unique_ptr<THidDevice> gone = std::move(devLines_[i].device);
        devLines_.erase(devLines_.begin() + std::ptrdiff_t(i));
        gone.reset(); // released: it leaves the controller's list
    }
    devSelected_ = selectedGone ? -1 : rowOf(selected);
}

void UsbCableLink::HidCtlDeviceChange()
{
    // The hidden Read button is only ever up; should it be down, a change
    // detaches its handler as it always did.
    if (controls_.readBtnDown()) {
        controls_.raiseReadBtn();
        ReadBtnClick();
    }
    // Only devices that went away are released and only new ones claimed:
    // the others keep their lines, their readers and the selection.
    dropGoneDevices();
    hidCtl_->EnumerateDevices();

    if (waitingForCable_ && !controls_.usbConDown())
        stopWaiting(); // "USB Connect" was raised meanwhile, by "COM Connect"
    if (devSelected_ < 0 && waitingForCable_) {
        const int row = lineOfLostCable();
        if (row >= 0)
            takeUpCable(row);
    }
    if (devSelected_ < 0 && !waitingForCable_) {
        for (int row = 0; row < int(devLines_.size()); ++row) {
            if (devLines_[std::size_t(row)].text == UsbCableName)
                devSelected_ = row;
        }
    }
    emit deviceListChanged();
}

void UsbCableLink::startWaiting(THidDevice* cable)
{
    waitingForCable_ = true;
    lostIdentity_ = cable->Identity();
    lostProduct_ = cable->ProductText(); // cached: the device is gone
    lostSerial_ = cable->SerialText();
    cableLostAt_ = QDateTime::currentDateTime();
    forgetUnfinishedFrame();
    emit cableLost(cableLostAt_);
}

void UsbCableLink::stopWaiting()
{
    if (!waitingForCable_)
        return;
    waitingForCable_ = false;
    emit waitingCancelled();
}

int UsbCableLink::lineOfLostCable() const
{
    int found = -1;
    for (int row = 0; row < int(devLines_.size()); ++row) {
        THidDevice* device = devLines_[std::size_t(row)].device.get();
        if (!device)
            continue;
        const HidIdentity& id = device->Identity();
        if (id.VendorID == lostIdentity_.VendorID && id.ProductID == lostIdentity_.ProductID
            && device->ProductText() == lostProduct_
            && (lostSerial_.isEmpty() || device->SerialText() == lostSerial_))
            found = row; // the last one, as the cable is picked at start
    }
    return found;
}

void UsbCableLink::takeUpCable(int row)
{
    THidDevice* cable = DevListDevice(row);
    devSelected_ = row;
    selectedHidDevice_ = cable;
    usbIdleReports_ = 0;
    forgetUnfinishedFrame();
    configureCable(cable);
    if (!cable->FullAccess())
        return; // told by configureCable; a later replug may do better
    attachVariantHandler(cable);
    waitingForCable_ = false;
    emit cableRestored(QDateTime::currentDateTime());
}

void UsbCableLink::forgetUnfinishedFrame()
{
    usbFrameOpen_ = false;
    usbPayloadHex_.clear();
}

void UsbCableLink::attachVariantHandler(THidDevice* device)
{
    if (variant_.IFRK40V)
        device->SetReportHandler(report40V_);
    if (variant_.IFRK20S)
        device->SetReportHandler(report20V_);
}

void UsbCableLink::HidCtlArrival(THidDevice* HidDev)
{
    addHistory(QStringLiteral("Arrival of ") + DescribeHidDevice(HidDev));
}

void UsbCableLink::HidCtlRemoval(THidDevice* HidDev)
{
    addHistory(QStringLiteral("Removal of ") + DescribeHidDevice(HidDev));
}

void UsbCableLink::HidCtlDeviceDataError(THidDevice*, uint32_t Error)
{
    addHistory(QStringLiteral("READ ERROR: %1 (%2)")
                   .arg(errorMessageText(platform_.errorText(Error)), QString::number(Error, 16).toUpper()));
}

QString UsbCableLink::accessProblemText(THidDevice* device) const
{
    const uint32_t error = device->AccessError() ? device->AccessError() : device->FeatureError();
    return QStringLiteral("The USB cable \"%1\" (%2) cannot be opened for reading and writing: %3.\n"
                          "The udev rule %4 gives the logged-in user the cable. The Debian package and "
                          "cmake --install put it in place; from the build folder, install it as the README "
                          "tells (install -m 644 %4 /etc/udev/rules.d/, then udevadm control --reload-rules). "
                          "Then plug the cable in again.")
        .arg(DescribeHidDevice(device), QString::fromStdString(device->PnPRecord()->InterfacePath),
            errorMessageText(platform_.errorText(error)), udevRulePath());
}

QString UsbCableLink::featureProblemText(THidDevice* device) const
{
    return QStringLiteral("The USB cable \"%1\" (%2) did not take its line settings (feature report): %3.\n"
                          "Readings may not arrive; plug the cable in again and press USB Connect.")
        .arg(DescribeHidDevice(device), QString::fromStdString(device->PnPRecord()->InterfacePath),
            errorMessageText(platform_.errorText(device->FeatureError())));
}

bool UsbCableLink::configureCable(THidDevice* device)
{
    // The last matching option wins: 19200 baud only for the RK91N alone.
    uint32_t speed = 2400;
    if (variant_.IFRK91N)
        speed = 19200;
    if (variant_.IFRK20S || variant_.IFRK40V || variant_.IFRK33H)
        speed = 2400;
    std::vector<uint8_t> report { 0x00, uint8_t(speed), uint8_t(speed >> 8), uint8_t(speed >> 16),
        uint8_t(speed >> 24), 0x03, 0x00, 0x00, 0x00, 0x00 };
    // Cut or padded to the length the cable's descriptor gives its feature report.
    if (const uint16_t length = device->DeviceCaps().FeatureReportByteLength; length > 0)
        report.resize(length, 0x00);

    if (!device->SendFeatureReport(report.data(), report.size())) {
        addHistory(QStringLiteral("FEATURE REPORT FAILED: %1 (%2)")
                       .arg(errorMessageText(platform_.errorText(device->FeatureError())),
                           QString::number(device->FeatureError(), 16).toUpper()));
        emit linkProblem(device->FullAccess() ? featureProblemText(device) : accessProblemText(device));
        return false;
    }
    QString line;
    for (std::size_t i = 1; i < report.size(); ++i)
        line += QString::asprintf("%.2X ", unsigned(report[i]));
    addHistory(line);
    return true;
}

void UsbCableLink::SetFeatureClick()
{
    selectedHidDevice_ = nullptr;
    THidDevice* device = selectedLineDevice();
    if (!device) {
        controls_.showInformation(NotConnectedMessage);
        controls_.raiseUsbCon();
        return;
    }
    selectedHidDevice_ = device;
    configureCable(device);
}

void UsbCableLink::ReadBtnClick()
{
    selectedHidDevice_ = nullptr;
    THidDevice* device = selectedLineDevice();
    if (!device)
        return;
    selectedHidDevice_ = device;
    if (!device->FullAccess()) {
        controls_.raiseReadBtn();
        return;
    }
    device->SetReportHandler(controls_.readBtnDown() ? report20V_ : THidDataEvent {});
}

void UsbCableLink::USBConClick()
{
    if (waitingForCable_ && !controls_.usbConDown()) {
        // Raised while the cable is away: stop waiting and return to the
        // stopped state, with nothing to configure.
        stopWaiting();
        controls_.setReviewEnabled(true);
        return;
    }
    ReadBtnClick();
    SetFeatureClick();
    usbIdleReports_ = 0;
    selectedHidDevice_ = nullptr;
    THidDevice* device = selectedLineDevice();
    if (!device)
        return;
    selectedHidDevice_ = device;
    if (!device->FullAccess()) {
        controls_.raiseUsbCon(); // configureCable has said why
        return;
    }
    if (controls_.usbConDown()) {
        controls_.setReviewEnabled(false);
        // A frame begun before the last stop is stale: never finish it with new reports.
        forgetUnfinishedFrame();
        attachVariantHandler(device);
    } else {
        controls_.setReviewEnabled(true);
        device->SetReportHandler({});
    }
}

void UsbCableLink::ConTimerUsbStep()
{
    if (usbIdleReports_ < IdleReportLimit)
        return;
    usbIdleReports_ = 0;
    controls_.raiseUsbCon();
    if (selectedHidDevice_)
        selectedHidDevice_->SetReportHandler({});
    controls_.showInformation(MeterSilentMessage);
}

QString UsbCableLink::InfoText() const
{
    THidDevice* device = selectedLineDevice();
    if (!device)
        return {};
    const HidIdentity& id = device->Identity();
    return QStringLiteral("Product: %1\nSerial: %2\nVID=%3 PID=%4 Version=%5\nAccess: %6")
        .arg(device->ProductText(), device->SerialText(), QString::asprintf("%04X", unsigned(id.VendorID)),
            QString::asprintf("%04X", unsigned(id.ProductID)),
            QString::asprintf("%04X", unsigned(id.VersionNumber)),
            device->FullAccess() ? QStringLiteral("read and write") : QStringLiteral("query only"));
}

bool UsbCableLink::gatherReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    QString trace = QString::asprintf("R %.2X  ", unsigned(ReportID));
    for (uint16_t i = 0; i < Size; ++i)
        trace += QString::asprintf("%.2X ", unsigned(Data[i]));

    if (Size >= 1) {
        ++usbIdleReports_;
        const QChar c = trace[7]; // low digit of the status byte: the payload count
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) {
            usbIdleReports_ = 0;
            usbFrameOpen_ = true;
            for (int k = 1; k <= c.digitValue(); ++k)
                usbPayloadHex_ += trace.mid(3 * k + 6, 2);
            addHistory(trace);
            return false;
        }
    }
    const bool finish = usbFrameOpen_;
    usbFrameOpen_ = false;
    return finish;
}

void UsbCableLink::HidReport40V(THidDevice*, uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    if (!gatherReport(ReportID, Data, Size))
        return;
    // Low digits of payload bytes 1 to 11; the LF's "A" goes first, as the serial framer lays it out.
    const QString low = everyOther(usbPayloadHex_, 1, 11);
    usbPayloadHex_.clear();
    reading_.FrameText = low.mid(10, 1) + low.left(10);
    usbText_ = reading_.FrameText;
    emit usbTextChanged(usbText_);
    if (reading_.FrameText.size() >= 11 && reading_.FrameText[0] == QLatin1Char('A')
        && reading_.FrameText[10] == QLatin1Char('D') && controls_.modeFrameComplete)
        controls_.modeFrameComplete();
}

void UsbCableLink::HidReport20V(THidDevice*, uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    if (!gatherReport(ReportID, Data, Size))
        return;
    const QString high = everyOther(usbPayloadHex_, 0, 14);
    reading_.FrameText = everyOther(usbPayloadHex_, 1, 14);
    usbPayloadHex_.clear();
    usbText_ = reading_.FrameText;
    emit usbTextChanged(usbText_);
    if (high == QLatin1String("123456789ABCDE") && controls_.segmentFrameComplete)
        controls_.segmentFrameComplete();
}
