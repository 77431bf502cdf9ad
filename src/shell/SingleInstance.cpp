#include "shell/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariantMap>

namespace tarvel {

namespace {

constexpr const char* kApplicationInterface = "org.freedesktop.Application";
constexpr const char* kTokenKey = "activation-token";
constexpr int kSocketWaitMs = 2000;

// What the desktop calls on the running instance.
class ApplicationObject final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationObject(SingleInstance& owner) : owner_(owner) {}

public slots:
    void Activate(const QVariantMap& platformData) {
        emit owner_.activated(platformData.value(kTokenKey).toString());
    }
    void Open(const QStringList&, const QVariantMap& platformData) { Activate(platformData); }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap& platformData) {
        Activate(platformData);
    }

private:
    SingleInstance& owner_;
};

}  // namespace

SingleInstance::SingleInstance(QString applicationId, QDBusConnection bus, QString runtimeDir,
                               QObject* parent)
    : QObject(parent),
      id_(std::move(applicationId)),
      bus_(std::move(bus)),
      runtimeDir_(runtimeDir.isEmpty() ? qEnvironmentVariable("XDG_RUNTIME_DIR")
                                       : std::move(runtimeDir)) {}

SingleInstance::~SingleInstance() {
    if (server_) QLocalServer::removeServer(socketPath());
}

QString SingleInstance::objectPath(const QString& applicationId) {
    return "/" + QString(applicationId).replace('.', '/').replace('-', '_');
}

QString SingleInstance::socketPath() const {
    return runtimeDir_ + "/" + id_ + ".socket";
}

bool SingleInstance::claim() {
    if (bus_.isConnected()) {
        // Exported before the name is taken, so an Activate that races the start is answered.
        exported_ = std::make_unique<ApplicationObject>(*this);
        bus_.registerObject(objectPath(id_), exported_.get(), QDBusConnection::ExportAllSlots);
        const auto reply =
            bus_.interface()->registerService(id_, QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
            return true;
        bus_.unregisterObject(objectPath(id_));
        exported_.reset();
        return false;
    }
    return listenOnSocket();
}

void SingleInstance::release() {
    if (exported_) {
        bus_.interface()->unregisterService(id_);
        bus_.unregisterObject(objectPath(id_));
        exported_.reset();
    }
    if (server_) {
        server_->close();
        QLocalServer::removeServer(socketPath());
        server_.reset();
    }
}

bool SingleInstance::listenOnSocket() {
    if (runtimeDir_.isEmpty()) return true;  // nowhere private to meet: run alone
    QLocalSocket probe;
    probe.connectToServer(socketPath());
    if (probe.waitForConnected(kSocketWaitMs)) return false;  // someone answers: it runs
    QLocalServer::removeServer(socketPath());                 // a crashed instance's socket
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath())) {
        server_.reset();
        return true;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (!peer->canReadLine()) return;
                const QString line = QString::fromUtf8(peer->readLine()).trimmed();
                if (line.startsWith("activate")) emit activated(line.mid(8).trimmed());
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::activateRunning(const QString& activationToken) {
    if (bus_.isConnected()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(id_, objectPath(id_), kApplicationInterface, "Activate");
        QVariantMap platformData;
        if (!activationToken.isEmpty()) platformData.insert(kTokenKey, activationToken);
        call << platformData;
        return bus_.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kSocketWaitMs)) return false;
    socket.write(("activate " + activationToken + "\n").toUtf8());
    return socket.waitForBytesWritten(kSocketWaitMs);
}

}  // namespace tarvel

#include "SingleInstance.moc"
