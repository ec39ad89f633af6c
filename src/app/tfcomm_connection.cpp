// Serial connection control: port choice, START/STOP, "COM Connect", and the
// link-activity icon driven by ConTimer.
#include "app/exclusive_toggle_group.h"
#include "app/tfcomm.h"
#include "link/com_port_driver.h"
#include "link/hid/usb_cable_link.h"
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

void TFCOMM::connectConnectionControl()
{
    connectGroup_ = new ExclusiveToggleGroup(this);
    connectGroup_->addButton(COMCon);
    connectGroup_->addButton(USBCon);
    connectGroup_->addButton(ReadBtn);

    connect(COM11, &QAction::triggered, this, &TFCOMM::COM11Click);
    connect(COM21, &QAction::triggered, this, &TFCOMM::COM21Click);
    connect(COM31, &QAction::triggered, this, &TFCOMM::COM31Click);
    connect(COM41, &QAction::triggered, this, &TFCOMM::COM41Click);
    // Each visible panel chooses the next port.
    connect(BtCOM1, &QPushButton::clicked, this, &TFCOMM::COM21Click);
    connect(BtCOM2, &QPushButton::clicked, this, &TFCOMM::COM31Click);
    connect(BtCOM3, &QPushButton::clicked, this, &TFCOMM::COM41Click);
    connect(BtCOM4, &QPushButton::clicked, this, &TFCOMM::COM11Click);

    connect(START1, &QAction::triggered, this, &TFCOMM::BTCon1Click);
    connect(BTCon, &QPushButton::clicked, this, &TFCOMM::BTCon1Click);
    connect(STOP1, &QAction::triggered, this, &TFCOMM::BtDiscon1Click);
    connect(BtDiscon, &QPushButton::clicked, this, &TFCOMM::BtDiscon1Click);
    connect(COMCon, &QToolButton::clicked, this, &TFCOMM::COMConClick);
    connect(ConTimer, &QTimer::timeout, this, &TFCOMM::ConTimerTimer);
}

void TFCOMM::choosePort(int port)
{
    QAction* items[] = { COM11, COM21, COM31, COM41 };
    QPushButton* panels[] = { BtCOM1, BtCOM2, BtCOM3, BtCOM4 };
    for (int i = 0; i < 4; ++i) {
        items[i]->setChecked(i + 1 == port);
        panels[i]->setVisible(i + 1 == port);
    }
    comPort_ = port;
    COMM2->setComPort(static_cast<TComPortNumber>(port - 1));
}

void TFCOMM::COM11Click()
{
    choosePort(1);
}
void TFCOMM::COM21Click()
{
    choosePort(2);
}
void TFCOMM::COM31Click()
{
    choosePort(3);
}
void TFCOMM::COM41Click()
{
    choosePort(4);
}

void TFCOMM::BTCon1Click()
{
    ComSetup1->setEnabled(false);
    START1->setChecked(true);
    START1->setEnabled(false);
    STOP1->setEnabled(true);
    STOP1->setChecked(false);
    COMM2->OpenPort(); // a port that cannot be opened shows the started state all the same
    BTCon->hide();
    BtDiscon->show();
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        p->setEnabled(false);
}

void TFCOMM::BtDiscon1Click()
{
    ComSetup1->setEnabled(true);
    START1->setChecked(false);
    START1->setEnabled(true);
    STOP1->setEnabled(false);
    STOP1->setChecked(true);
    COMM2->ClosePort();
    BTCon->show();
    BtDiscon->hide();
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        p->setEnabled(true);
}

void TFCOMM::setReviewButtonsEnabled(bool enabled)
{
    for (QToolButton* b : { RecordNew, OpenDataFiles, saveas, BtPrint, Chtshow->BtNew, Chtshow->BtSave })
        b->setEnabled(enabled);
    // Next and Last are the chart's page buttons too: the pager keeps them
    // disabled through every chart update until the link lets go.
    chartPager_->setNextAndLastHeld(!enabled);
}

void TFCOMM::COMConClick()
{
    const bool down = COMCon->isChecked();
    setReviewButtonsEnabled(!down);
    if (down)
        BTCon1Click();
    else
        BtDiscon1Click();
}

void TFCOMM::ConTimerTimer()
{
    if (reading_.IdleTicks == 2) {
        if (usbLink_)
            usbLink_->ConTimerUsbStep(); // gives up a cable that brings no meter data
        CONok->hide();
        CONokN->show();
        reading_.IdleTicks = 0;
    } else {
        ++reading_.IdleTicks;
    }
}
