#include "link/com_port_driver.h"
#include "records/trend_chart_widget.h"
#include "support/window_fixture.h"

#include <QAction>
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
        // COM1 leads nowhere: the started state shows all the same.
        qputenv("BRENMOOR_COM1", QByteArray("/nonexistent/brenmoor-tty"));
    }
    void TearDown() override
    {
        qunsetenv("BRENMOOR_COM1");
        WindowFixture::TearDown();
    }
};

TEST_F(Connection, LinkStateTableByComConnect)
{
    auto w = makeWindow();
    expectView(*w, { true, false, false, false, true, false, true }, "closed at start");
    w->COMCon->click();
    expectView(*w, { false, true, true, false, false, true, false }, "started by COM Connect");
    EXPECT_FALSE(w->COMM2->IsOpen()) << "missing device";
    EXPECT_TRUE(asked().empty()) << "no message for a port that cannot be opened";
    w->COMCon->click();
    expectView(*w, { true, false, false, true, true, false, true }, "stopped by raising COM Connect");
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

} // namespace
