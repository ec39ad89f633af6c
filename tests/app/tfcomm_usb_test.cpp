// The USB cable link through the real window on the fake HID platform.
#include "app/link_health_view.h"
#include "app/tfcomm.h"
#include "link/hid/hid_device.h"
#include "link/hid/usb_cable_link.h"
#include "support/fake_hid_platform.h"
#include "support/scripted_asker.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString NotConnected
    = QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
const QString MeterSilent
    = QStringLiteral("USB interface cable is securely connected, please check if the meter is ready.");

FakeHidDeviceSpec device(int n, std::u16string product)
{
    FakeHidDeviceSpec setup;
    setup.path = "/dev/hidraw" + std::to_string(n);
    setup.instanceId = "0003:1A86:E008.000" + std::to_string(n);
    setup.product = std::move(product);
    return setup;
}

class TfcommUsbTest : public ::testing::Test {
protected:
    void open(std::initializer_list<FakeHidDeviceSpec> devices)
    {
        auto fake = std::make_unique<FakeHidPlatform>();
        platform = fake.get();
        for (const FakeHidDeviceSpec& setup : devices)
            platform->plug(setup);
        auto asker = std::make_unique<testsupport::ScriptedAsker>();
        asked = asker->asked;
        window = std::make_unique<TFCOMM>(BuildVariant::shipped(), std::move(asker), std::move(fake));
        window->ConTimer->stop(); // the tests tick it themselves
        asked->clear(); // start-up's box about a missing records table is not looked at here
    }

    QStringList listLines(QListWidget* list) const
    {
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }

    std::unique_ptr<TFCOMM> window;
    FakeHidPlatform* platform = nullptr;
    std::shared_ptr<std::vector<testsupport::ScriptedAsker::Asked>> asked;
};

TEST_F(TfcommUsbTest, ListsAndPicksTheCableAtStart)
{
    open({ device(0, u"Keyboard"), device(1, u"USB to Serial") });
    EXPECT_EQ(listLines(window->DevListBox), (QStringList { "Keyboard", "USB to Serial" }));
    EXPECT_EQ(window->DevListBox->currentRow(), 1);
    EXPECT_FALSE(
        window->DevListBox->isVisible() && window->DevListBox->geometry().left() < TFCOMM::ClientWidth);
    EXPECT_TRUE(asked->empty());
}

TEST_F(TfcommUsbTest, UsbConnectDownAndUp)
{
    open({ device(0, u"USB to Serial") });
    window->USBCon->click();
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_FALSE(window->RecordNew->isEnabled());
    EXPECT_EQ(window->HistoryListBox->currentItem()->text(), QStringLiteral("60 09 00 00 03 00 00 00 00 "));
    THidDevice* cable = window->usbLink()->SelectedHidDevice();
    ASSERT_NE(cable, nullptr);
    EXPECT_TRUE(cable->HasReader());

    platform->pushReport("/dev/hidraw0", { 0, 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 });
    platform->pushReport("/dev/hidraw0", { 0, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
    platform->pushReport("/dev/hidraw0", { 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return window->USBtxt->text() == QLatin1String("A41234B00AD"); }));
    EXPECT_EQ(window->reading().FrameText, QStringLiteral("A41234B00AD"));

    window->USBCon->click();
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_TRUE(window->RecordNew->isEnabled());
    EXPECT_FALSE(cable->HasReader());

    window->ClearBtn->click();
    EXPECT_EQ(window->HistoryListBox->count(), 0);
}

TEST_F(TfcommUsbTest, UsbConnectWithoutCable)
{
    open({});
    window->USBCon->click();
    EXPECT_FALSE(window->USBCon->isChecked());
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->at(0).text, NotConnected);
    EXPECT_EQ(asked->at(0).icon, QMessageBox::Information);
}

TEST_F(TfcommUsbTest, ComConnectRaisesUsbConnectButKeepsTheReader)
{
    open({ device(0, u"USB to Serial") });
    window->USBCon->click();
    window->COMCon->click();
    EXPECT_FALSE(window->USBCon->isChecked());
    EXPECT_TRUE(window->usbLink()->SelectedHidDevice()->HasReader());
}

TEST_F(TfcommUsbTest, WatchdogOnTheConnectionTimer)
{
    open({ device(0, u"USB to Serial") });
    window->USBCon->click();
    const std::vector<uint8_t> idle { 0x00 };
    const auto idleReports = [&](int n) {
        for (int i = 0; i < n; ++i)
            window->usbLink()->HidReport40V(nullptr, 0, idle.data(), 1);
    };
    const auto threeTicks = [&] {
        for (int i = 0; i < 3; ++i)
            window->ConTimerTimer();
    };
    idleReports(1899);
    threeTicks();
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(asked->empty());

    idleReports(1);
    threeTicks();
    EXPECT_FALSE(window->USBCon->isChecked());
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->at(0).text, MeterSilent);
    EXPECT_FALSE(window->usbLink()->SelectedHidDevice()->HasReader());
    threeTicks();
    EXPECT_EQ(asked->size(), 1u);
}

TEST_F(TfcommUsbTest, HotPlugFollowsTheLists)
{
    open({ device(0, u"USB to Serial") });
    window->USBCon->click();
    platform->unplug("/dev/hidraw0");
    platform->notifyChange();
    EXPECT_EQ(window->DevListBox->count(), 0);
    EXPECT_EQ(window->HistoryListBox->currentItem()->text(), QStringLiteral("Removal of USB to Serial"));

    FakeHidDeviceSpec back = device(0, u"USB to Serial");
    back.instanceId = "0003:1A86:E008.0011";
    platform->plug(back);
    platform->notifyChange();
    EXPECT_EQ(window->DevListBox->currentRow(), 0);
    const QStringList history = listLines(window->HistoryListBox);
    ASSERT_GE(history.size(), 2);
    EXPECT_EQ(history[history.size() - 2], QStringLiteral("Arrival of USB to Serial"));
    EXPECT_EQ(window->HistoryListBox->currentItem()->text(), QStringLiteral("60 09 00 00 03 00 00 00 00 "))
        << "the cable that came back was configured again";

    window->USBCon->click(); // up
    window->USBCon->click(); // down again
    EXPECT_TRUE(window->usbLink()->SelectedHidDevice()->HasReader());
}

TEST_F(TfcommUsbTest, UnpluggedCableIsShownAndTakenUpAgain)
{
    open({ device(0, u"USB to Serial") });
    window->USBCon->click();
    const auto sendFrame = [&](uint8_t digit) {
        platform->pushReport(
            "/dev/hidraw0", { 0, 0x07, 0x34, 0x31, 0x32, 0x33, uint8_t(0x30 | digit), 0x3B, 0x30, 0 });
        platform->pushReport("/dev/hidraw0", { 0, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
        platform->pushReport("/dev/hidraw0", { 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    };
    sendFrame(4);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return window->reading().FrameText == QLatin1String("A41234B00AD"); }));
    EXPECT_FALSE(window->readingShownStale());

    platform->unplug("/dev/hidraw0");
    platform->notifyChange();
    EXPECT_TRUE(LinkHealthView::showsLost(window->USBCon));
    EXPECT_TRUE(window->USBCon->toolTip().startsWith(QStringLiteral("Link lost at ")))
        << window->USBCon->toolTip().toStdString();
    EXPECT_TRUE(window->USBCon->isChecked());
    EXPECT_TRUE(window->readingShownStale());
    EXPECT_TRUE(window->usbNotice().isShowing());
    EXPECT_TRUE(asked->empty()) << "no box while nobody may be watching";

    FakeHidDeviceSpec back = device(0, u"USB to Serial");
    back.instanceId = "0003:1A86:E008.0012";
    platform->plug(back);
    platform->notifyChange();
    EXPECT_FALSE(LinkHealthView::showsLost(window->USBCon));
    EXPECT_TRUE(window->USBCon->toolTip().contains(QStringLiteral("back at")));
    EXPECT_FALSE(window->usbNotice().isShowing());
    sendFrame(5);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return window->reading().FrameText == QLatin1String("A41235B00AD"); }));
    EXPECT_FALSE(window->readingShownStale());
    EXPECT_TRUE(asked->empty());

    // Unplugged again, and this time USB Connect is raised while it is away.
    platform->unplug("/dev/hidraw0");
    platform->notifyChange();
    ASSERT_TRUE(window->usbLink()->WaitingForCable());
    window->USBCon->click();
    EXPECT_FALSE(window->usbLink()->WaitingForCable());
    EXPECT_FALSE(LinkHealthView::showsLost(window->USBCon));
    EXPECT_FALSE(window->readingShownStale());
    EXPECT_TRUE(window->RecordNew->isEnabled()) << "the review buttons stayed locked";
    EXPECT_TRUE(asked->empty());
}

TEST_F(TfcommUsbTest, CableTroubleIsToldWithoutAModalBox)
{
    struct Case {
        const char* name;
        bool featureFails;
        FakeHidDeviceSpec::Access access;
        const char* inNotice;
    };
    const Case cases[] = {
        { "feature report refused", true, FakeHidDeviceSpec::Full, "did not take its line settings" },
        { "no read-write access", false, FakeHidDeviceSpec::QueryOnly, "udevadm control --reload-rules" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        FakeHidDeviceSpec cable = device(0, u"USB to Serial");
        cable.featureFails = c.featureFails;
        cable.access = c.access;
        open({ cable });
        window->USBCon->click();
        EXPECT_TRUE(window->usbNotice().isShowing());
        EXPECT_TRUE(window->usbNotice().text().contains(QLatin1String(c.inNotice)))
            << window->usbNotice().text().toStdString();
        EXPECT_TRUE(window->HistoryListBox->currentItem()->text().startsWith(
            QStringLiteral("FEATURE REPORT FAILED")));
        EXPECT_TRUE(asked->empty());
    }
}

TEST_F(TfcommUsbTest, InfoShowsTheSelectedDevice)
{
    open({ device(0, u"USB to Serial") });
    window->InfoBtn->click();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_TRUE(asked->at(0).text.contains(QStringLiteral("VID=1A86 PID=E008")));
    EXPECT_TRUE(asked->at(0).text.contains(QStringLiteral("read and write")));
}

} // namespace
