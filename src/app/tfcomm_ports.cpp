// The serial devices present on the system, listed in "ComSetup" below
// COM1 to COM4, so an adapter can be chosen by name.
#include "app/tfcomm.h"
#include "link/com_port_driver.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

void TFCOMM::setPortListing(std::function<std::vector<SerialPortEntry>()> listing)
{
    portListing_ = std::move(listing);
}

void TFCOMM::refreshDetectedPorts()
{
    for (QAction* item : std::as_const(detectedPortItems_))
        delete item;
    detectedPortItems_.clear();
    if (!detectedSeparator_)
        detectedSeparator_ = ComSetup1->addSeparator();

    std::vector<SerialPortEntry> ports = portListing_ ? portListing_() : SerialPortListing().ports();
    const QString chosen = COMM2->chosenDevice();
    if (!chosen.isEmpty() && !SerialPortListing::find(ports, chosen)) {
        // The chosen device is not there now: keep it in the list, and say so.
        SerialPortEntry absent;
        absent.portName = QFileInfo(chosen).fileName();
        absent.systemLocation = chosen;
        absent.description = QStringLiteral("not present");
        ports.push_back(absent);
    }

    for (const SerialPortEntry& entry : ports) {
        QAction* item = ComSetup1->addAction(entry.menuText());
        item->setObjectName(QStringLiteral("DetectedPort%1").arg(detectedPortItems_.size()));
        item->setCheckable(true);
        item->setChecked(!chosen.isEmpty() && entry.devicePath() == chosen);
        item->setToolTip(entry.devicePath());
        connect(item, &QAction::triggered, this, [this, entry] { chooseDetectedPort(entry); });
        detectedPortItems_ << item;
    }
    if (detectedPortItems_.isEmpty()) {
        QAction* none = ComSetup1->addAction(QStringLiteral("No serial devices found"));
        none->setObjectName(QStringLiteral("DetectedPortNone"));
        none->setEnabled(false);
        detectedPortItems_ << none;
    }
    ComSetup1->setToolTipsVisible(true);
}

void TFCOMM::chooseDetectedPort(const SerialPortEntry& entry)
{
    // Like the COMn items, choosing is for a stopped link only.
    if (COMM2->IsOpen() || !ComSetup1->isEnabled())
        return;
    COMM2->setChosenDevice(entry.devicePath());
    for (QAction* item : { COM11, COM21, COM31, COM41 })
        item->setChecked(false);
    for (QAction* item : std::as_const(detectedPortItems_))
        item->setChecked(item->toolTip() == entry.devicePath());
    // The panel that shows keeps its place in the COM1..COM4 round; it shows the short name.
    visiblePortPanel()->setText(entry.portName);
    showPortHint();
}
