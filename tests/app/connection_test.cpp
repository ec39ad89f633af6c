#include "app/link_health_view.h"
#include "link/com_port_driver.h"
#include "link/qt_serial_port_io.h"
#include "link/serial_link_supervisor.h"
#include "records/trend_chart_widget.h"
#include "support/pty_pair.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::WindowFixture;

/** What the user sees of the link state. */
struct LinkView {
    bool startEnabled, startChecked, stopEnabled, stopChecked, portsEnabled, comConDown, reviewEnabled;
};

LinkView viewOf(const TFCOMM& w)
{
    return { w.START1->isEnabled(), w.START1->isChecked(), w.STOP1->isEnabled(), w.STOP1->isChecked(),
        w.ComSetup1->isEnabled() && w.BtCOM1->isEnabled(), w.COMCon->isChecked(), w.saveas->isEnabled() };
}

void expectView(const TFCOMM& w, const LinkView& e, const char* state)
{
    SCOPED_TRACE(state);
    const LinkView v = viewOf(w);
    EXPECT_EQ(v.startEnabled, e.startEnabled);
    EXPECT_EQ(v.startChecked, e.startChecked);
    EXPECT_EQ(v.stopEnabled, e.stopEnabled);
    EXPECT_EQ(v.stopChecked, e.stopChecked);
    EXPECT_EQ(v.portsEnabled, e.portsEnabled);
    EXPECT_EQ(v.comConDown, e.comConDown);
    EXPECT_EQ(v.reviewEnabled, e.reviewEnabled);
    for (QToolButton* b :
        { w.RecordNew, w.OpenDataFiles, w.saveas, w.BtPrint, w.Chtshow->BtNew, w.Chtshow->BtSave })
        EXPECT_EQ(b->isEnabled(), e.reviewEnabled) << b->objectName().toStdString();
    // Next and last also follow the chart's page table, so only their
    // disabling is the link's doing.
    if (!e.reviewEnabled) {
        for (QToolButton* b : { w.Chtshow->BtNext, w.Chtshow->BTlast })
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
}

class Connection : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        provideTemplate();
        ASSERT_TRUE(line.isValid());
        qputenv("BRENMOOR_COM1", line.devicePath().toLocal8Bit());
    }
    void TearDown() override
    {
        qunsetenv("BRENMOOR_COM1");
        WindowFixture::TearDown();
    }

    testsupport::PtyPair line; ///< COM1: a line that opens
};

TEST_F(Connection, LinkStateTableByComConnect)
{
    auto w = makeWindow();
    expectView(*w, { true, false, false, false, true, false, true }, "closed at start");
    w->COMCon->click();
    expectView(*w, { false, true, true, false, false, true, false }, "started by COM Connect");
    EXPECT_TRUE(w->COMM2->IsOpen());
    EXPECT_TRUE(asked().empty());
    w->COMCon->click();
    expectView(*w, { true, false, false, true, true, false, true }, "stopped by raising COM Connect");
    EXPECT_FALSE(w->COMM2->IsOpen());
}

TEST_F(Connection, PortThatCannotBeOpenedSaysWhyAndStaysStopped)
{
    const QString plainFile = folder() + QStringLiteral("/notes.txt");
    QFile notes(plainFile);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    testsupport::PtyPair held;
    ASSERT_TRUE(held.isValid());
    TComPortDriver holder(std::make_unique<QtSerialPortIo>(),
        ComPortDeviceMap([&](const QString&) { return held.devicePath(); }));
    ASSERT_TRUE(holder.OpenPort());

    struct Case {
        const char* name;
        QString path;
        const char* reason;
    };
    const Case cases[] = {
        { "not found", QStringLiteral("/nonexistent/brenmoor-tty"), "the device was not found" },
        { "not a serial device", plainFile, "it is not a serial device" },
        { "in use", held.devicePath(), "the device is in use by another program" },
    };
    for (const Case& c : cases) {
        for (const bool byComConnect : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (byComConnect ? ", COM Connect" : ", START"));
            qputenv("BRENMOOR_COM1", c.path.toLocal8Bit());
            auto w = makeWindow();
            if (byComConnect)
                w->COMCon->click();
            else
                w->START1->trigger();
            expectView(*w, { true, false, false, true, true, false, true }, "stopped again");
            EXPECT_FALSE(w->COMM2->IsOpen());
            EXPECT_EQ(w->serialLink()->state(), SerialLinkSupervisor::State::Stopped);
            ASSERT_EQ(asked().size(), 1u) << "one message, the answer to the click";
            EXPECT_EQ(asked()[0].icon, QMessageBox::Warning);
            EXPECT_TRUE(asked()[0].text.contains(c.path + QStringLiteral(": ") + QLatin1String(c.reason)))
                << asked()[0].text.toStdString();
        }
    }
}

TEST_F(Connection, StartAndStopLeaveComConnectAlone)
{
    auto w = makeWindow();
    w->START1->trigger();
    expectView(*w, { false, true, true, false, false, false, true }, "started by START");
    EXPECT_TRUE(w->BTCon->isHidden());
    EXPECT_FALSE(w->BtDiscon->isHidden());
    w->STOP1->trigger();
    expectView(*w, { true, false, false, true, true, false, true }, "stopped by STOP");

    w->COMCon->click();
    w->STOP1->trigger();
    expectView(*w, { true, false, false, true, true, true, false }, "STOP after COM Connect");
    w->COMCon->click();
    expectView(*w, { true, false, false, true, true, false, true }, "COM Connect raised");
}

TEST_F(Connection, UsbConnectRaisesComConnectWithoutStopping)
{
    auto w = makeWindow();
    w->COMCon->click();
    w->USBCon->click();
    EXPECT_FALSE(w->COMCon->isChecked());
    EXPECT_TRUE(w->STOP1->isEnabled()) << "serial link still started";
    EXPECT_FALSE(w->ComSetup1->isEnabled());
    EXPECT_FALSE(w->saveas->isEnabled()) << "COM Connect's handler did not run";
}

TEST_F(Connection, PortPanelStepsThroughThePorts)
{
    auto w = makeWindow();
    const struct {
        QPushButton* visible;
        QAction* checked;
        TComPortNumber port;
    } steps[] = {
        { w->BtCOM2, w->COM21, TComPortNumber::pnCOM2 },
        { w->BtCOM3, w->COM31, TComPortNumber::pnCOM3 },
        { w->BtCOM4, w->COM41, TComPortNumber::pnCOM4 },
        { w->BtCOM1, w->COM11, TComPortNumber::pnCOM1 },
    };
    QPushButton* shown = w->BtCOM1;
    for (const auto& s : steps) {
        shown->click();
        for (QPushButton* p : { w->BtCOM1, w->BtCOM2, w->BtCOM3, w->BtCOM4 })
            EXPECT_EQ(!p->isHidden(), p == s.visible) << p->objectName().toStdString();
        for (QAction* a : { w->COM11, w->COM21, w->COM31, w->COM41 })
            EXPECT_EQ(a->isChecked(), a == s.checked) << a->objectName().toStdString();
        EXPECT_EQ(w->COMM2->ComPort(), s.port);
        shown = s.visible;
    }
    w->COM31->trigger();
    EXPECT_FALSE(w->BtCOM3->isHidden());
    EXPECT_EQ(w->COMM2->ComPort(), TComPortNumber::pnCOM3);
}

TEST_F(Connection, IconGoesDarkOnTheThirdTickAfterAFrame)
{
    auto w = makeWindow();
    w->ConTimer->stop(); // ticks are driven by hand
    EXPECT_TRUE(w->CONok->isHidden());
    for (int i = 0; i < 5; ++i)
        w->ConTimerTimer();
    EXPECT_TRUE(w->CONok->isHidden()) << "dark with nothing connected";

    w->ConTimerTimer(); // the counter stands anywhere when the frame comes
    w->framer().H40VRData(testsupport::modeFrameBytes("11234B00A"));
    EXPECT_FALSE(w->CONok->isHidden());
    EXPECT_TRUE(w->CONokN->isHidden());
    EXPECT_EQ(w->reading().IdleTicks, 0);
    w->ConTimerTimer();
    w->ConTimerTimer();
    EXPECT_FALSE(w->CONok->isHidden()) << "still lit after two ticks";
    w->ConTimerTimer();
    EXPECT_TRUE(w->CONok->isHidden());
    EXPECT_FALSE(w->CONokN->isHidden());
}

TEST_F(Connection, DetectedDeviceIsChosenByNameAndOpened)
{
    // A USB adapter as the listing reports it, its stable name a link to the pty.
    const QString byId = folder() + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
    ASSERT_TRUE(QFile::link(line.devicePath(), byId));
    SerialPortEntry adapter;
    adapter.portName = QStringLiteral("ttyUSB0");
    adapter.systemLocation = line.devicePath();
    adapter.byIdPath = byId;
    adapter.description = QStringLiteral("FT232R USB UART");
    adapter.serialNumber = QStringLiteral("A10K1234");
    SerialPortEntry onboard;
    onboard.portName = QStringLiteral("ttyS0");
    onboard.systemLocation = QStringLiteral("/dev/ttyS0");
    std::vector<SerialPortEntry> present { onboard, adapter };

    auto w = makeWindow();
    w->setPortListing([&] { return present; });
    emit w->ComSetup1->aboutToShow(); // opening the menu lists what is there now
    QStringList texts;
    for (QAction* item : w->detectedPortItems())
        texts << item->text();
    EXPECT_EQ(texts,
        (QStringList {
            QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0 \u2014 FT232R USB UART (A10K1234)") }));
    const QList<QAction*> menu = w->ComSetup1->actions();
    ASSERT_GE(menu.size(), 5);
    EXPECT_TRUE(menu[4]->isSeparator()) << "the detected devices sit below COM1 to COM4";

    w->detectedPortItems()[1]->trigger();
    EXPECT_EQ(w->BtCOM1->text(), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(w->BtCOM1->toolTip(), byId) << "the hint shows the path that is opened";
    EXPECT_TRUE(w->detectedPortItems()[1]->isChecked());
    for (QAction* a : { w->COM11, w->COM21, w->COM31, w->COM41 })
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();

    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen()) << (asked().empty() ? "" : asked()[0].text.toStdString());
    EXPECT_EQ(w->COMM2->devicePath(), byId);
    EXPECT_FALSE(w->ComSetup1->isEnabled()) << "no choosing during a started link";
    w->chooseDetectedPort(onboard);
    EXPECT_EQ(w->COMM2->devicePath(), byId);
    w->COMCon->click();

    // The adapter is unplugged: the chosen device stays listed, as absent.
    present = { onboard };
    w->refreshDetectedPorts();
    ASSERT_EQ(w->detectedPortItems().size(), 2);
    EXPECT_TRUE(w->detectedPortItems()[1]->text().contains(QStringLiteral("not present")));
    EXPECT_TRUE(w->detectedPortItems()[1]->isChecked());

    // Back to a COMn item: its own caption and device again.
    w->COM21->trigger();
    EXPECT_EQ(w->BtCOM2->text(), QStringLiteral("COM 2"));
    EXPECT_EQ(w->BtCOM2->toolTip(), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(w->COMM2->devicePath(), QStringLiteral("/dev/ttyS1"));
    w->refreshDetectedPorts();
    for (QAction* item : w->detectedPortItems())
        EXPECT_FALSE(item->isChecked()) << item->text().toStdString();

    present.clear();
    w->refreshDetectedPorts();
    ASSERT_EQ(w->detectedPortItems().size(), 1);
    EXPECT_FALSE(w->detectedPortItems()[0]->isEnabled());
    EXPECT_EQ(w->detectedPortItems()[0]->text(), QStringLiteral("No serial devices found"));
}

} // namespace
