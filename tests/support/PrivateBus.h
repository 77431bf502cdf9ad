#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace tarvel::test {

// A dbus-daemon of the test's own, so services can be stood in for without touching the
// machine's buses. Stopped when the object goes away.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (daemon_.waitForStarted(10000) &&
            (daemon_.canReadLine() || daemon_.waitForReadyRead(10000)))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    bool ok() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    // A named connection to this bus (disconnect it with QDBusConnection::disconnectFromBus).
    QDBusConnection connect(const QString& name) const {
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
};

}  // namespace tarvel::test
