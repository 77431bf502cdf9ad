#include "ChatScreenshots.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/ai/SecretStore.h"
#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusChatSection.h"
#include "assistant/chat/PlusChatViews.h"
#include "assistant/chat/PlusPrefsChatPane.h"
#include "base/Clock.h"
#include "views/TarvelTheme.h"
#include "views/preferences/PreferencesRoot.h"
#include "views/preferences/PreferencesSection.h"

namespace tarvel {

namespace {

const char* kQuestion = "Why does my battery drain so fast on video calls?";
const char* kAnswer =
    "Video calls keep the camera, the video encoder and the Wi-Fi radio busy the whole time. "
    "Lower the call's resolution, close other browser tabs and plug in for long meetings. "
    "More tips: https://example.com/battery-guide.pdf";

class MemorySecrets : public SecretStore {
public:
    void read(const QString& account, std::function<void(Read)> done) override {
        QTimer::singleShot(0, &context_, [this, account, done] {
            done({true, items_.contains(account) ? std::optional(items_[account]) : std::nullopt});
        });
    }
    void write(const QString& account, const QString& value,
               std::function<void(bool)> done) override {
        items_[account] = value;
        QTimer::singleShot(0, &context_, [done] { done(true); });
    }
    void remove(const QString& account, std::function<void(bool)> done) override {
        items_.remove(account);
        QTimer::singleShot(0, &context_, [done] { done(true); });
    }

private:
    QMap<QString, QString> items_;
    QObject context_;
};

// Answers every request with the same OpenAI-style reply.
class StandInProvider {
public:
    StandInProvider() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QJsonObject message{{"role", "assistant"}, {"content", kAnswer}};
                    const QByteArray body =
                        QJsonDocument(
                            QJsonObject{{"choices", QJsonArray{QJsonObject{{"message", message}}}}})
                            .toJson();
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    PlusAIHosts hosts() const {
        const QUrl url(QString("http://127.0.0.1:%1").arg(server_.serverPort()));
        return {url, url, url, url};
    }

private:
    QTcpServer server_;
};

}  // namespace

class ChatScene {
public:
    explicit ChatScene(UserDefaults& settings)
        : keys(settings, secrets),
          client(network, settings, provider.hosts()),
          model(settings, client, keys, Clock::system(), downloads.path(), network) {}

    QNetworkAccessManager network;
    MemorySecrets secrets;
    StandInProvider provider;
    QTemporaryDir downloads;
    PlusAIKeyStore keys;
    PlusAIClient client;
    PlusChatModel model;
};

std::shared_ptr<ChatScene> installChatScene(ViewServices& services, UserDefaults& settings,
                                            const Settle& settle) {
    auto scene = std::make_shared<ChatScene>(settings);
    scene->keys.load();
    settle(100);
    scene->keys.set(PlusAIProvider::openRouter, "sk-or-screenshot");
    settle(100);
    scene->model.setDraft(kQuestion);
    scene->model.send();
    for (int i = 0; i < 50 && scene->model.busy(); ++i) settle(100);
    installChatViews(services, scene->model, scene->keys, scene->client);
    return scene;
}

void shootChatScene(ChatScene& scene, PreferencesRoot* preferences, QWidget* preferencesWindow,
                    const ShootWindow& shoot, const Settle& settle) {
    QWidget window;
    window.setWindowTitle("Chat");
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, TarvelColor::bg.color());
    window.setPalette(palette);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(16, 14, 16, 14);
    auto* section = new PlusChatSection(scene.model, &window);
    column->addWidget(section);
    window.resize(340, 10);
    window.move(120, 80);
    window.show();
    settle(600);
    shoot("chat-section", &window);
    for (QPushButton* button : section->findChildren<QPushButton*>())
        if (button->text() == "API keys") button->click();
    window.adjustSize();
    settle(600);
    shoot("chat-section-keys", &window);
    window.hide();

    if (!preferences) return;
    preferences->select(PreferencesSection::chat);
    if (auto* pane = preferences->findChild<PlusPrefsChatPane*>())
        pane->showSubtab(PlusPrefsChatPane::Subtab::api);
    settle(600);
    shoot("preferences-api-config", preferencesWindow);
}

}  // namespace tarvel
