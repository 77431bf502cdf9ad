#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <optional>

#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusOpenRouterModels.h"
#include "base/UserDefaults.h"
#include "support/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

using test::LoopbackHttpServer;

QJsonObject json(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

// A client whose four hosts are one loopback server.
struct Harness {
    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};
    LoopbackHttpServer server;
    QNetworkAccessManager network;
    PlusAIClient client{network, settings,
                        PlusAIHosts{server.url(), server.url(), server.url(), server.url()}};

    PlusAIClient::Reply ask(PlusAIProvider provider, const QString& key,
                            const QList<PlusChatMessage>& messages, const QString& model = {}) {
        std::optional<PlusAIClient::Reply> reply;
        client.request(provider, key, messages, model,
                       [&](const PlusAIClient::Reply& r) { reply = r; });
        EXPECT_TRUE(test::waitUntil([&] { return reply.has_value(); }, 20000));
        return reply.value_or(PlusAIError{});
    }
};

const QList<PlusChatMessage> kConversation{
    {QUuid::createUuid(), "user", "Hi", false},
    {QUuid::createUuid(), "assistant", "Hello", false},
    {QUuid::createUuid(), "assistant", "OpenAI HTTP 500: boom", true},
    {QUuid::createUuid(), "system", "Be brief", false},
};

TEST(PlusAIClient, SendsEachProvidersPathHeadersAndBody) {
    // The error bubble is left out; the system line goes as the assistant's.
    const QByteArray turns =
        R"([{"role":"user","content":"Hi"},{"role":"assistant","content":"Hello"},)"
        R"({"role":"assistant","content":"Be brief"}])";
    const auto chat = [&](const QByteArray& model, const QByteArray& extra = {}) {
        return R"({"model":")" + model + "\"," + extra + R"("messages":)" + turns + "}";
    };
    const QByteArray chatAnswer = R"({"choices":[{"message":{"content":"  answer \n"}}]})";
    const LoopbackHttpServer::Headers bearer{{"Authorization", "Bearer sk-1"}},
        goog{{"x-goog-api-key", "sk-1"}},
        anthropic{{"x-api-key", "sk-1"}, {"anthropic-version", "2023-06-01"}};
    struct Case {
        PlusAIProvider provider;
        QString modelOverride;
        QString path;
        LoopbackHttpServer::Headers headers;
        QByteArray body;
        QByteArray answer;
    };
    const Case cases[] = {
        {PlusAIProvider::openRouter, "  ", "/api/v1/chat/completions",
         bearer + LoopbackHttpServer::Headers{{"HTTP-Referer", "https://tarvel.app/tarvel-pro/"},
                                              {"X-Title", "Tarvel Pro"}},
         chat("openrouter/auto"), chatAnswer},
        {PlusAIProvider::openRouter, " meta/llama ", "/api/v1/chat/completions", bearer,
         chat("meta/llama"), chatAnswer},
        {PlusAIProvider::openai, "gpt-4o", "/v1/chat/completions", bearer, chat("gpt-4o-mini"),
         chatAnswer},
        {PlusAIProvider::gemini, "other", "/v1beta/models/gemini-2.0-flash:generateContent", goog,
         R"({"contents":[{"role":"user","parts":[{"text":"Hi"}]},)"
         R"({"role":"model","parts":[{"text":"Hello"}]},)"
         R"({"role":"model","parts":[{"text":"Be brief"}]}]})",
         R"({"candidates":[{"content":{"parts":[{"text":" answer"}]}}]})"},
        {PlusAIProvider::anthropic, "other", "/v1/messages", anthropic,
         chat("claude-3-5-haiku-20241022", R"("max_tokens":1024,)"),
         R"({"content":[{"type":"text","text":"answer\n"}]})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.provider).toStdString() + " " + c.modelOverride.toStdString());
        Harness h;
        h.server.setHandler(
            [&](const auto&) { return LoopbackHttpServer::Response::answer(200, c.answer); });
        const auto reply = h.ask(c.provider, " sk-1\n", kConversation, c.modelOverride);
        ASSERT_EQ(std::get<QString>(reply), "answer");
        ASSERT_EQ(h.server.requests().size(), 1);
        const auto& sent = h.server.requests().front();
        EXPECT_EQ(sent.method, "POST");
        EXPECT_EQ(sent.target, c.path.toUtf8());
        EXPECT_EQ(sent.header("Content-Type"), "application/json");
        for (const auto& [name, value] : c.headers)
            EXPECT_EQ(sent.header(name), value) << name.constData();
        EXPECT_EQ(sent.hasHeader("HTTP-Referer"), c.provider == PlusAIProvider::openRouter);
        EXPECT_EQ(sent.hasHeader("Authorization"), c.headers.front().first == "Authorization");
        EXPECT_EQ(json(sent.body), json(c.body)) << sent.body.constData();
    }
}

// The stored model is read trimmed, and a blank one means automatic.
TEST(PlusAIClient, OpenRouterUsesTheStoredModelAndErrorOnlyConversationsSendNoTurns) {
    Harness h;
    PlusOpenRouterModels::setSelected(h.settings, "  deepseek/deepseek-chat\n");
    h.server.setHandler([](const auto&) {
        return LoopbackHttpServer::Response::answer(200,
                                                    R"({"choices":[{"message":{"content":""}}]})");
    });
    const auto reply = h.ask(PlusAIProvider::openRouter, "k", {{QUuid(), "user", "x", true}});
    EXPECT_EQ(std::get<QString>(reply), "");  // present but empty: not an error
    EXPECT_EQ(json(h.server.requests().value(0).body),
              json(R"({"model":"deepseek/deepseek-chat","messages":[]})"));
    PlusOpenRouterModels::setSelected(h.settings, " \n");
    EXPECT_EQ(PlusOpenRouterModels::selected(h.settings), "openrouter/auto");
    h.settings.setString(PlusOpenRouterModels::storageKey, "  \t");
    EXPECT_EQ(PlusOpenRouterModels::selected(h.settings), "openrouter/auto");
}

TEST(PlusAIClient, ReportsStatusesAndMissingTextsWithTheirTexts) {
    const QByteArray key = "sk-or/v1-secret-123";
    const QByteArray emoji = "\xF0\x9F\x98\x80";  // one code point, two UTF-16 units
    struct Case {
        PlusAIProvider provider;
        int status;
        QByteArray body;
        QString description;
    };
    const Case cases[] = {
        {PlusAIProvider::openai, 429, QByteArray(500, 'x'),
         "OpenAI HTTP 429: " + QString(180, 'x')},
        {PlusAIProvider::openRouter, 401, "bad key " + key + " given",
         "OpenRouter HTTP 401: bad key  given"},
        // Most of the key, or the key as JSON escapes it; seven of its characters are no key.
        {PlusAIProvider::openRouter, 401, "bad key sk-or/v1-secret-12 given, try sk-or/v",
         "OpenRouter HTTP 401: bad key  given, try sk-or/v"},
        {PlusAIProvider::openai, 400, R"({"error":"r/v1-secret-123 \u0073k-or\/v1-secret-123"})",
         R"(OpenAI HTTP 400: {"error":" "})"},
        {PlusAIProvider::openai, 400, QByteArray(179, 'c') + "e\xCC\x81x",
         "OpenAI HTTP 400: " + QString(179, 'c') + QString::fromUtf8("e\xCC\x81")},
        {PlusAIProvider::gemini, 400, QByteArray(170, 'a') + key + QByteArray(20, 'b'),
         "Gemini HTTP 400: " + QString(170, 'a') + QString(10, 'b')},
        {PlusAIProvider::anthropic, 500, "ok \xC3\x28 broken", "Anthropic HTTP 500: "},
        {PlusAIProvider::openai, 503, QByteArray(179, 'c') + emoji + emoji,
         "OpenAI HTTP 503: " + QString(179, 'c') + QString::fromUtf8(emoji)},
        {PlusAIProvider::openai, 201, "{}", "OpenAI HTTP 201: {}"},
        {PlusAIProvider::openai, 302, "moved", "OpenAI HTTP 302: moved"},
        {PlusAIProvider::openai, 200, R"({"choices":[]})", "Empty response from OpenAI"},
        {PlusAIProvider::openRouter, 200, R"({"choices":[]})", "Empty response from OpenRouter"},
        {PlusAIProvider::openRouter, 200, R"({"choices":[{"message":{"content":7}}]})",
         "Empty response from OpenRouter"},
        {PlusAIProvider::gemini, 200, R"({"candidates":[{"content":{"parts":[]}}]})",
         "Empty response from Gemini"},
        {PlusAIProvider::anthropic, 200, R"([{"content":[{"text":"x"}]}])",
         "Empty response from Anthropic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        Harness h;
        h.server.setHandler([&](const auto& request) {
            auto answer = LoopbackHttpServer::Response::answer(c.status, c.body);
            if (request.path() != "/elsewhere") answer.headers = {{"Location", "/elsewhere"}};
            return answer;
        });
        const auto reply = h.ask(c.provider, QString::fromUtf8(key), kConversation);
        ASSERT_TRUE(std::holds_alternative<PlusAIError>(reply));
        const QString description = std::get<PlusAIError>(reply).description;
        EXPECT_EQ(description, c.description);
        EXPECT_FALSE(description.contains(QString::fromUtf8(key)));
        EXPECT_EQ(h.server.requests().size(), 1);  // no retry, no redirect followed
    }
}

TEST(PlusAIClient, BlankKeyFailsLaterWithoutTraffic) {
    Harness h;
    std::optional<PlusAIClient::Reply> reply;
    h.client.request(PlusAIProvider::openai, " \n\t ", kConversation, {},
                     [&](const PlusAIClient::Reply& r) { reply = r; });
    EXPECT_FALSE(reply.has_value());  // answered from the event loop, not inside the call
    ASSERT_TRUE(test::waitUntil([&] { return reply.has_value(); }));
    EXPECT_EQ(std::get<PlusAIError>(*reply).description, "Add your OpenAI API key in API Config.");
    EXPECT_TRUE(h.server.requests().isEmpty());
}

TEST(PlusAIClient, BrokenRepliesAreErrorsNotHangs) {
    struct Case {
        LoopbackHttpServer::Response response;
        QString description;
    };
    const Case cases[] = {
        {LoopbackHttpServer::Response::answer(200, "not json"), "The reply could not be read: "},
        {LoopbackHttpServer::Response::noAnswer(), "The request timed out."},
        {LoopbackHttpServer::Response::rawAnswer("garbage without a status line\r\n\r\n"), ""},
    };
    for (const Case& c : cases) {
        Harness h;
        h.client.setTimeout(300);
        h.server.setHandler([&](const auto&) { return c.response; });
        const auto reply = h.ask(PlusAIProvider::openai, "sk-1", kConversation);
        ASSERT_TRUE(std::holds_alternative<PlusAIError>(reply));
        const auto& error = std::get<PlusAIError>(reply);
        EXPECT_TRUE(error.description.startsWith(c.description)) << error.description.toStdString();
        EXPECT_FALSE(error.description.startsWith("OpenAI"));
    }
}

}  // namespace
}  // namespace tarvel
