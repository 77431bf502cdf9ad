#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace tarvel {

// One running Tarvel per user session. The running instance owns the application id on the
// session bus and answers org.freedesktop.Application.Activate there; without a session bus
// it listens on a local socket in $XDG_RUNTIME_DIR instead. A second launch asks the running
// one to activate (passing the desktop's activation token on, so the window it raises may take
// focus on Wayland) and then leaves.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `runtimeDir` empty: $XDG_RUNTIME_DIR. Without one (and without a bus) there is no private
    // place to meet, and the instance runs alone rather than use the shared /tmp.
    SingleInstance(QString applicationId, QDBusConnection bus, QString runtimeDir = {},
                   QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance; false when another one already is.
    bool claim();
    // Gives the name up, so a Tarvel started while this one quits becomes the running one.
    void release();
    // From a second launch: asks the running instance to activate. False when none answered.
    bool activateRunning(const QString& activationToken);

    // The bus object path of an application id ("app.tarvel.Tarvel" → "/app/tarvel/Tarvel").
    static QString objectPath(const QString& applicationId);

signals:
    // Someone launched Tarvel again (or the desktop activated it).
    void activated(const QString& activationToken);

private:
    QString socketPath() const;
    bool listenOnSocket();

    QString id_;
    QDBusConnection bus_;
    QString runtimeDir_;
    std::unique_ptr<QObject> exported_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace tarvel
