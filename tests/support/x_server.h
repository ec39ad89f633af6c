#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

/**
 * An Xvfb server of the test's own for the length of a test, on a display
 * number it picks itself (-displayfd), so parallel tests never collide.
 * Programs started through run() or start() see it as their DISPLAY and use
 * Qt's xcb platform, so what they show can be read as another X client
 * would: with xprop and xdotool.
 */
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    /** ":N", or empty when the server did not start. */
    QString display() const { return display_; }

    /** Environment for a program on this display, with @p extra ("NAME=value") added. */
    QProcessEnvironment environment(const QStringList& extra = {}) const;

    /** Runs @p program to its end (at most @p timeoutMs) and returns its standard output. */
    QString run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) const;

    /** Ids of the visible windows whose title matches the regular expression @p name. */
    QStringList windowsNamed(const QString& name) const;
    /** Ids of the visible windows of class @p windowClass. */
    QStringList windowsOfClass(const QString& windowClass) const;
    /** The value of the text property @p property (e.g. _NET_WM_NAME) of window @p id, unquoted. */
    QString textProperty(const QString& id, const QString& property) const;

private:
    QProcess server_;
    QString display_;
};

} // namespace testsupport
