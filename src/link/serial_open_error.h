#pragma once

#include <QString>
#include <QStringList>

/**
 * Why a serial device could not be opened, in terms a person can act on.
 *
 * diagnose() looks at the device itself (does the path exist, is it a
 * character device, may this user open it, does a tty answer, which
 * processes hold it), because the serial library's own error text does not
 * tell a missing adapter from a missing group membership.
 */
struct SerialOpenError {
    enum class Kind {
        None, ///< no failure
        NotFound, ///< nothing at the path (or a link to nothing)
        PermissionDenied, ///< this user may not open the device
        InUse, ///< another program holds the device
        NotSerialDevice, ///< a file, or a device node no serial port answers at
        Other ///< none of the above; systemText says what the system said
    };

    Kind kind = Kind::None;
    QString devicePath; ///< the path the open was tried on
    QString group; ///< PermissionDenied: the group that owns the device
    QStringList processes; ///< InUse: "name (pid N)" of each holder /proc reveals
    QString systemText; ///< the system's own words for the failure
    QString detail; ///< NotSerialDevice: what is there instead

    bool failed() const { return kind != Kind::None; }
    /** One short reason, e.g. "permission denied"; empty for None. */
    QString reason() const;
    /** Whom the advice in message() addresses. */
    enum class Advice {
        Window, ///< "choose another port in the ComSetup menu"
        CommandLine, ///< "give another --port"
    };
    /** The full message for the user: the path, the reason and what to do. */
    QString message(Advice advice = Advice::Window) const;

    /**
     * Works out why @p devicePath cannot be opened, after an open through the
     * serial library failed with @p systemText. Opens the device briefly
     * itself to learn the system's error code; never keeps it open.
     */
    static SerialOpenError diagnose(const QString& devicePath, const QString& systemText = QString());

    /**
     * "name (pid N)" of every process that has the character device
     * @p deviceNumber open, as far as /proc below @p procRoot shows.
     */
    static QStringList processesHolding(
        unsigned long deviceNumber, const QString& procRoot = QStringLiteral("/proc"));
};
