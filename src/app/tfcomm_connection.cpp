// Serial connection control: port choice, START/STOP, "COM Connect", the
// link-activity icon driven by ConTimer, and how a lost link is shown.
#include "app/exclusive_toggle_group.h"
#include "app/link_health_view.h"
#include "app/shape_circle.h"
#include "app/tfcomm.h"
#include "link/com_port_driver.h"
#include "link/hid/usb_cable_link.h"
#include "link/serial_link_supervisor.h"
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
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

    // A loss is shown without a modal box: logging may run unattended.
    linkNotice_ = new WindowNotice(this, QMessageBox::Warning, this);
    usbNotice_ = new WindowNotice(this, QMessageBox::Warning, this);
    linkView_ = new LinkHealthView({ Panel1, T1VALUE, Shape1, judge }, this);
    serialLink_ = new SerialLinkSupervisor(*COMM2, this);
    connect(serialLink_, &SerialLinkSupervisor::lost, this, &TFCOMM::serialLinkLost);
    connect(serialLink_, &SerialLinkSupervisor::reopened, this, &TFCOMM::serialLinkReopened);
    // Any decoded frame, from either link, is a current reading again.
    connect(
        pipeline_.get(), &ReadingPipeline::frameDecoded, this, [this] { linkView_->setReadingStale(false); });
    connect(ComSetup1, &QMenu::aboutToShow, this, &TFCOMM::refreshDetectedPorts);
    showPortHint();
}

bool TFCOMM::readingShownStale() const
{
    return linkView_->readingStale();
}

QPushButton* TFCOMM::visiblePortPanel() const
{
    QPushButton* const panels[] = { BtCOM1, BtCOM2, BtCOM3, BtCOM4 };
    return panels[comPort_ - 1];
}

void TFCOMM::showPortHint()
{
    // Every panel carries the path, so the hint is right whichever one shows.
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 }) {
        if (!LinkHealthView::showsLost(p))
            p->setToolTip(COMM2->devicePath());
    }
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
    COMM2->setComPort(static_cast<TComPortNumber>(port - 1)); // also leaves a chosen detected device
    for (int i = 0; i < 4; ++i)
        panels[i]->setText(QStringLiteral("COM %1").arg(i + 1));
    for (QAction* item : std::as_const(detectedPortItems_))
        item->setChecked(false);
    showPortHint();
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
    const bool opened = serialLink_->start();
    BTCon->hide();
    BtDiscon->show();
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        p->setEnabled(false);
    if (opened) {
        pipeline_->framer().reset(); // nothing left over from an earlier link
        noteLogSource(serialLink_->devicePath());
        return;
    }
    // A port that cannot be opened must not look connected: back to the
    // stopped state, then say why. A box is fine here: it answers the click.
    BtDiscon1Click();
    if (COMCon->isChecked()) {
        COMCon->setChecked(false);
        setReviewButtonsEnabled(true);
    }
    showMessage(QMessageBox::Warning, serialLink_->openError().message());
}

void TFCOMM::BtDiscon1Click()
{
    ComSetup1->setEnabled(true);
    START1->setChecked(false);
    START1->setEnabled(true);
    STOP1->setEnabled(false);
    STOP1->setChecked(true);
    serialLink_->stop();
    noteLoggingStopped();
    BTCon->show();
    BtDiscon->hide();
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        p->setEnabled(true);
    clearSerialLoss();
}

void TFCOMM::serialLinkLost(const QDateTime& when)
{
    const QString path = serialLink_->devicePath();
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        LinkHealthView::markLost(p, LinkHealthView::lostHint(path, when));
    linkView_->setReadingStale(true);
    CONok->hide();
    CONokN->show();
    linkNotice_->show(
        QStringLiteral("The serial link to %1 was lost at %2.\nIt is taken up again by itself, and "
                       "logging goes on, when the device comes back.")
            .arg(path, when.time().toString(QStringLiteral("HH:mm:ss"))));
}

void TFCOMM::serialLinkReopened(const QDateTime& when)
{
    pipeline_->framer().reset(); // bytes from before the gap never join bytes after it
    const QString hint = LinkHealthView::backHint(serialLink_->devicePath(), serialLink_->lostAt(), when);
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        LinkHealthView::markWorking(p, hint);
    linkNotice_->clear();
    // The reading stays faded until the first new frame is decoded.
}

void TFCOMM::clearSerialLoss()
{
    for (QPushButton* p : { BtCOM1, BtCOM2, BtCOM3, BtCOM4 })
        LinkHealthView::markWorking(p, COMM2->devicePath());
    linkNotice_->clear();
    // Stopped, nothing claims to be current: the designed look, unless the
    // USB cable is still being waited for.
    if (!(usbLink_ && usbLink_->WaitingForCable()))
        linkView_->setReadingStale(false);
}

void TFCOMM::setReviewButtonsEnabled(bool enabled)
{
    for (QToolButton* b : { RecordNew, OpenDataFiles, saveas, BtPrint, Chtshow->BtNew, Chtshow->BtSave })
        b->setEnabled(enabled);
    // Next and Last are the chart's page buttons too: the pager keeps them
    // disabled through every chart update until the link lets go.
    pipeline_->chart().setNextAndLastHeld(!enabled);
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
    if (pipeline_->reading().IdleTicks == 2) {
        if (usbLink_)
            usbLink_->ConTimerUsbStep(); // gives up a cable that brings no meter data
        CONok->hide();
        CONokN->show();
        pipeline_->reading().IdleTicks = 0;
    } else {
        ++pipeline_->reading().IdleTicks;
    }
}
