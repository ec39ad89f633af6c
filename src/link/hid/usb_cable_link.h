#pragma once

#include "base/build_variant.h"
#include "link/hid/hid_handler.h"
#include "link/hid/hid_platform.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class THidDevice;
class THidDeviceController;
struct ReadingState;

/**
 * What the USB cable link needs of the window: the state of its toggle
 * buttons, the review buttons it locks while connected, a modal information
 * message, and the frame decoders it feeds.
 */
struct UsbLinkControls {
    std::function<bool()> usbConDown; ///< whether "USB Connect" is down
    std::function<void()> raiseUsbCon; ///< set "USB Connect" up without its click handler
    std::function<bool()> readBtnDown; ///< whether the hidden "Read" button is down
    std::function<void()> raiseReadBtn; ///< set "Read" up without its click handler
    std::function<void(bool)> setReviewEnabled; ///< enable or disable the eight review buttons
    std::function<void(const QString&)> showInformation; ///< modal message with an OK button
    std::function<void()> modeFrameComplete; ///< FrameText holds a mode frame: LcdDisplay40V
    std::function<void()> segmentFrameComplete; ///< FrameText holds a segment frame: LcdDisplay20V
};

/**
 * The window's side of the meter's USB cable: lists the HID devices through
 * the controller `HidCtl`, picks the cable named "USB to Serial", configures
 * its line speed with a feature report, unwraps the meter's bytes from the
 * cable's input reports into frames for the decoders, keeps a history of
 * device events and reports, and gives up a cable that brings no meter data.
 *
 * A device change touches only the devices that came or went, so a mouse
 * plugged in beside the cable leaves a running link alone. When the cable in
 * use goes away while "USB Connect" is down, the link waits for the same
 * cable (vendor and product ids, product text, and serial number where it
 * has one) and takes it up again by itself.
 *
 * Runs on the UI thread only. Owns the controller and every device it
 * claimed; destroying the link stops all readers before anything they use
 * goes away.
 */
class UsbCableLink : public QObject {
    Q_OBJECT
public:
    /** Most recent history lines kept; older ones are dropped. */
    static constexpr int HistoryLimit = 5000;
    /** Reports without meter data after which the watchdog gives up. */
    static constexpr int IdleReportLimit = 1900;

    /**
     * Creates `HidCtl` on @p platform, binds its events and lists the present
     * devices. Throws EControllerError when another controller exists.
     */
    UsbCableLink(HidPlatform& platform, const BuildVariant& variant, ReadingState& reading,
        UsbLinkControls controls, QObject* parent = nullptr);
    ~UsbCableLink() override;

    /** Product string the meter's cable is picked by: "USB to Serial". */
    static QString cableName();
    /** Product text (or "Device VID=.... PID=....") plus " (Serial=...)" when there is one. */
    static QString DescribeHidDevice(THidDevice* device);
    /** Where the udev rule that lets the logged-in user open the cable is shipped. */
    static QString udevRulePath() { return QStringLiteral("packaging/70-brenmoor5082.rules"); }
    /** What to tell when @p device cannot be opened for reading and writing: the error and the udev rule. */
    QString accessProblemText(THidDevice* device) const;
    /** What to tell when @p device refused its feature report. */
    QString featureProblemText(THidDevice* device) const;

    // Window commands.
    void USBConClick();
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick();
    /** Identity, texts and access of the selected device; empty when none is selected. */
    QString InfoText() const;
    /** The USB step of the connection timer, run when no frame was decoded for 200 ms. */
    void ConTimerUsbStep();

    // Controller events.
    bool HidCtlEnumerate(THidDevice* HidDev, int Idx);
    void HidCtlDeviceChange();
    void HidCtlArrival(THidDevice* HidDev);
    void HidCtlRemoval(THidDevice* HidDev);
    void HidCtlDeviceDataError(THidDevice* HidDev, uint32_t Error);

    // Report handlers.
    void HidReport40V(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size);
    void HidReport20V(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size);

    THidDeviceController& HidCtl() { return *hidCtl_; }
    /** `DevListBox`: one text per listed device. */
    QStringList DevListLines() const;
    /** The device carried by list line @p row, or nothing when its claim failed. */
    THidDevice* DevListDevice(int row) const;
    int DevListSelected() const { return devSelected_; }
    void SetDevListSelected(int row);
    /** `HistoryListBox`. */
    const QStringList& HistoryLines() const { return history_; }
    int HistorySelected() const { return history_.size() - 1; }
    /** `USBtxt`: frame text of the last USB frame. */
    const QString& USBtxt() const { return usbText_; }

    THidDevice* SelectedHidDevice() const { return selectedHidDevice_; }
    /** Whether the cable in use went away with "USB Connect" down, and is waited for. */
    bool WaitingForCable() const { return waitingForCable_; }
    /** When the cable in use last went away; invalid before. */
    QDateTime CableLostAt() const { return cableLostAt_; }
    int UsbIdleReports() const { return usbIdleReports_; }
    bool UsbFrameOpen() const { return usbFrameOpen_; }
    const QString& UsbPayloadHex() const { return usbPayloadHex_; }
    /** Handlers as attached to devices, for comparing. */
    const THidDataEvent& report40VHandler() const { return report40V_; }
    const THidDataEvent& report20VHandler() const { return report20V_; }

signals:
    /** The device list was rebuilt. */
    void deviceListChanged();
    /** A line was added to the history (older lines beyond the limit are gone). */
    void historyLineAdded(const QString& line);
    /** The history was emptied. */
    void historyCleared();
    /** `USBtxt` got a new frame text. */
    void usbTextChanged(const QString& text);
    /** The cable in use went away while "USB Connect" was down; the link waits for it. */
    void cableLost(const QDateTime& when);
    /** The cable came back and was configured and attached again. */
    void cableRestored(const QDateTime& when);
    /** Waiting for the cable ended without it: "USB Connect" went up. */
    void waitingCancelled();
    /**
     * Something the user must hear about without being held up: a cable that
     * cannot be opened, a refused feature report.
     */
    void linkProblem(const QString& text);

private:
    struct DevLine {
        QString text;
        std::unique_ptr<THidDevice> device;
    };

    void addHistory(const QString& line);
    /** Common start of both report handlers; true when the report ended an open frame. */
    bool gatherReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size);
    THidDevice* selectedLineDevice() const;
    int rowOf(const THidDevice* device) const;
    bool handlerAttached(const THidDevice* device) const;
    void dropGoneDevices();
    void startWaiting(THidDevice* cable);
    void stopWaiting();
    int lineOfLostCable() const;
    void takeUpCable(int row);
    /** Sends the line settings to @p device, tells the history and the user how it went. */
    bool configureCable(THidDevice* device);
    void attachVariantHandler(THidDevice* device);
    void forgetUnfinishedFrame();

    HidPlatform& platform_;
    const BuildVariant variant_;
    ReadingState& reading_;
    UsbLinkControls controls_;

    std::vector<DevLine> devLines_;
    int devSelected_ = -1;
    QStringList history_;
    QString usbText_;

    THidDevice* selectedHidDevice_ = nullptr;
    bool waitingForCable_ = false;
    HidIdentity lostIdentity_;
    QString lostProduct_;
    QString lostSerial_;
    QDateTime cableLostAt_;
    int usbIdleReports_ = 0;
    bool usbFrameOpen_ = false;
    QString usbPayloadHex_;

    THidDataEvent report40V_;
    THidDataEvent report20V_;
    std::unique_ptr<THidDeviceController> hidCtl_;
};
