#include "link/serial_port_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

// "ttyUSB2" before "ttyUSB10": the name, then the number it ends in.
bool namedBefore(const QString& a, const QString& b)
{
    const auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::pair { name.left(digits), name.mid(digits).toULongLong() };
    };
    return split(a) < split(b);
}

} // namespace

QString SerialPortEntry::menuText() const
{
    QString text = portName;
    const QString about = description.isEmpty() ? manufacturer : description;
    if (!about.isEmpty())
        text += QStringLiteral(" \u2014 ") + about;
    if (!serialNumber.isEmpty())
        text += QStringLiteral(" (%1)").arg(serialNumber);
    return text;
}

SerialPortListing::SerialPortListing(QString byIdFolder)
    : byIdFolder_(std::move(byIdFolder))
{
}

std::vector<SerialPortEntry> SerialPortListing::ports() const
{
    std::vector<SerialPortEntry> system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.portName = info.portName();
        e.systemLocation = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        system.push_back(e);
    }
    return withStableNames(std::move(system));
}

std::vector<SerialPortEntry> SerialPortListing::withStableNames(std::vector<SerialPortEntry> system) const
{
    const QDir folder(byIdFolder_);
    // Sorted, so a device with several names always gets the same one.
    for (const QFileInfo& link :
        folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue; // a link to nothing
        const auto same = std::find_if(system.begin(), system.end(), [&](const SerialPortEntry& e) {
            return QFileInfo(e.systemLocation).canonicalFilePath() == target;
        });
        if (same != system.end()) {
            if (same->byIdPath.isEmpty())
                same->byIdPath = link.absoluteFilePath();
            continue;
        }
        SerialPortEntry e;
        e.portName = QFileInfo(target).fileName();
        e.systemLocation = target;
        e.byIdPath = link.absoluteFilePath();
        system.push_back(e);
    }
    std::stable_sort(system.begin(), system.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return namedBefore(a.portName, b.portName);
    });
    return system;
}

const SerialPortEntry* SerialPortListing::find(const std::vector<SerialPortEntry>& ports, const QString& path)
{
    for (const SerialPortEntry& e : ports) {
        if (!path.isEmpty() && (e.systemLocation == path || e.byIdPath == path))
            return &e;
    }
    return nullptr;
}
