#include "support/x_server.h"

namespace testsupport {

XServer::XServer()
{
    // -displayfd 1: the server writes the display number it chose to its
    // standard output once it accepts clients. -noreset keeps it from
    // resetting whenever its last client goes.
    server_.start(QStringLiteral("Xvfb"),
        { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("900x650x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
            QStringLiteral("-noreset") });
    if (!server_.waitForStarted(5000))
        return;
    QByteArray out;
    while (!out.contains('\n') && server_.waitForReadyRead(10000))
        out += server_.readAllStandardOutput();
    const QString number = QString::fromLatin1(out).trimmed();
    if (!number.isEmpty())
        display_ = QLatin1Char(':') + number;
}

XServer::~XServer()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(2000);
        }
    }
}

QProcessEnvironment XServer::environment(const QStringList& extra) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& pair : extra) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        env.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return env;
}

QString XServer::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList XServer::windowsNamed(const QString& name) const
{
    return run(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name })
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList XServer::windowsOfClass(const QString& windowClass) const
{
    return run(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"), windowClass })
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString XServer::textProperty(const QString& id, const QString& property) const
{
    // xprop prints: NAME(TYPE) = "value"   or, for lists: "a", "b"
    const QString line = run(QStringLiteral("xprop"), { QStringLiteral("-id"), id, property }).trimmed();
    const qsizetype eq = line.indexOf(QStringLiteral(" = "));
    if (eq < 0)
        return {};
    QString value = line.mid(eq + 3);
    if (value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace testsupport
