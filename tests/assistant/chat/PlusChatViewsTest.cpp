#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ChatFixture.h"
#include "assistant/chat/PlusChatSection.h"
#include "assistant/chat/PlusFileDownloads.h"
#include "assistant/chat/PlusPrefsAPIConfigPane.h"
#include "assistant/chat/PlusPrefsChatPane.h"

namespace tarvel {
namespace {

using test::ChatFixture;
using test::waitUntil;

const QString kEmptyChat = "Ask about battery drain, power tips, or anything else.";

template <typename W>
QList<W*> withText(const QWidget& root, const QString& text) {
    QList<W*> found;
    for (W* widget : root.findChildren<W*>())
        if (widget->text() == text) found.append(widget);
    return found;
}

QPushButton* button(const QWidget& root, const QString& text) {
    const auto found = withText<QPushButton>(root, text);
    return found.size() == 1 ? found[0] : nullptr;
}

QLineEdit* field(const QWidget& root, const QString& placeholder) {
    for (QLineEdit* edit : root.findChildren<QLineEdit*>())
        if (edit->placeholderText() == placeholder) return edit;
    return nullptr;
}

// The provider's card of the API-config pane.
QWidget* card(const QWidget& pane, const QString& provider) {
    const auto titles = withText<QLabel>(pane, provider);
    return titles.size() == 1 ? titles[0]->parentWidget() : nullptr;
}

bool shows(const QWidget& root, const QString& text) {
    for (QLabel* label : withText<QLabel>(root, text))
        if (label->isVisibleTo(&root)) return true;
    return false;
}

// The draft goes out trimmed; blank drafts and sends while a reply is pending do nothing.
TEST(PlusChatViewsTest, SendIsOffForBlankDraftsAndWhileAReplyIsPending) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::openRouter, "sk-test");
    chat.replyWith("  <b>not bold</b> \n");
    PlusChatSection section(chat.model);
    section.show();
    QLineEdit* input = field(section, "Message…");
    QPushButton* send = button(section, "Send");
    ASSERT_TRUE(input && send);
    EXPECT_FALSE(send->isEnabled());
    QTest::keyClicks(input, "   ");
    EXPECT_FALSE(send->isEnabled());
    chat.model.send();
    EXPECT_TRUE(chat.model.messages().isEmpty());
    QTest::keyClicks(input, "hello ");
    EXPECT_TRUE(send->isEnabled());
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(input->text(), "");
    chat.model.setDraft("again");
    chat.model.send();  // a reply is pending
    EXPECT_EQ(chat.model.draft(), "again");
    ASSERT_TRUE(waitUntil([&] { return !chat.model.busy(); }));
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(chat.model.status(), "Ready · openrouter/auto");
    EXPECT_EQ(chat.model.messages().size(), 2);
    EXPECT_EQ(chat.sentTurns(0), QStringList{"user: hello"});
    // Replies are text, never markup.
    const auto replies = withText<QLabel>(section, "<b>not bold</b>");
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0]->textFormat(), Qt::PlainText);
    EXPECT_TRUE(replies[0]->textInteractionFlags() & Qt::TextSelectableByMouse);
}

TEST(PlusChatViewsTest, OnlyTheLatestTwelveMessagesAreListed) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::openRouter, "sk-test");
    chat.replyWith("answer");
    PlusChatSection section(chat.model);
    for (int i = 1; i <= 7; ++i) chat.exchange("m" + QString::number(i));
    chat.model.setDraft("m8");
    chat.model.send();  // 15 messages, the last reply pending
    ASSERT_EQ(chat.model.messages().size(), 15);
    for (const QString text : {"m1", "m2"})
        EXPECT_TRUE(withText<QLabel>(section, text).isEmpty()) << text.toStdString();
    for (int i = 3; i <= 8; ++i)
        EXPECT_EQ(withText<QLabel>(section, "m" + QString::number(i)).size(), 1) << i;
    EXPECT_EQ(withText<QLabel>(section, "You").size(), 6);
    EXPECT_EQ(withText<QLabel>(section, "answer").size(), 6);
    EXPECT_TRUE(withText<QLabel>(section, kEmptyChat).isEmpty());
    QTest::mouseClick(button(section, "Export chat"), Qt::LeftButton);
    ASSERT_EQ(chat.exports.size(), 1);
    EXPECT_EQ(chat.exports[0].contents.count("## You"), 8);
    EXPECT_EQ(chat.exports[0].contents.count("## OpenRouter"), 7);
    waitUntil([&] { return !chat.model.busy(); });
}

TEST(PlusChatViewsTest, DownloadLinksOnlyOnRepliesThatHaveLinksAndClearEmptiesTheList) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::openRouter, "sk-test");
    const QString guide = "The guide: https://example.invalid/guide.pdf.";
    chat.replyWith(guide);
    PlusChatSection section(chat.model);
    chat.exchange("any docs? my notes are at https://example.invalid/mine.txt");
    chat.replyWith("No links here.");
    chat.exchange("thanks");
    EXPECT_EQ(withText<QPushButton>(section, "Save").size(), 4);
    const auto downloads = withText<QPushButton>(section, "Download links");
    ASSERT_EQ(downloads.size(), 1);
    EXPECT_EQ(withText<QLabel>(*downloads[0]->parentWidget(), guide).size(), 1);

    QTest::mouseClick(button(section, "Clear"), Qt::LeftButton);
    EXPECT_EQ(withText<QLabel>(section, "Cleared").size(), 1);
    EXPECT_TRUE(withText<QPushButton>(section, "Save").isEmpty());
    EXPECT_EQ(withText<QLabel>(section, kEmptyChat).size(), 1);
}

TEST(PlusChatViewsTest, KeyEditorPastesTheTrimmedClipboardWithCtrlV) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::openRouter, "sk-old");
    PlusChatSection section(chat.model);
    section.show();
    EXPECT_EQ(field(section, "API key (Ctrl+V)"), nullptr);
    QTest::mouseClick(button(section, "API keys"), Qt::LeftButton);
    QLineEdit* key = field(section, "API key (Ctrl+V)");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);
    EXPECT_EQ(key->text(), "sk-old");
    EXPECT_TRUE(shows(section, "Active: openrouter/auto"));
    QApplication::clipboard()->setText("  sk-pasted \n");
    key->setFocus();
    QTest::keyClick(key, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(key->text(), "sk-pasted");
    QTest::mouseClick(button(section, "Save key"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return shows(section, "Key saved on this computer"); }));
    EXPECT_EQ(chat.keys.get(PlusAIProvider::openRouter), "sk-pasted");

    // Each provider has its own key.
    QComboBox* provider = section.findChild<QComboBox*>();
    ASSERT_NE(provider, nullptr);
    ASSERT_EQ(provider->currentText(), "OpenRouter");
    QTest::keyClick(provider, Qt::Key_Down);
    EXPECT_EQ(chat.model.provider(), PlusAIProvider::gemini);
    EXPECT_EQ(key->text(), "");
    EXPECT_FALSE(shows(section, "Active: openrouter/auto"));
}

TEST(PlusChatViewsTest, ProviderCardsSaveTestAndUseKeys) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::openRouter, "sk-old");
    chat.server.route(
        "/v1beta/models/gemini-2.0-flash:generateContent",
        test::answer(200, R"({"candidates":[{"content":{"parts":[{"text":" ok "}]}}]})"));
    PlusPrefsAPIConfigPane pane(chat.model, chat.keys, chat.client, false);
    pane.show();
    QWidget* openRouter = card(pane, "OpenRouter");
    QWidget* gemini = card(pane, "Gemini");
    QWidget* anthropic = card(pane, "Anthropic");
    ASSERT_TRUE(openRouter && gemini && anthropic);
    EXPECT_TRUE(shows(*openRouter, "Key saved"));
    EXPECT_TRUE(shows(*openRouter, "Active"));
    EXPECT_TRUE(shows(*gemini, "No key"));
    EXPECT_FALSE(shows(*gemini, "Active"));

    QTest::mouseClick(button(*gemini, "Test"), Qt::LeftButton);
    EXPECT_TRUE(shows(*gemini, "Paste a key first"));
    EXPECT_TRUE(chat.server.requests().isEmpty());

    QApplication::clipboard()->setText(" AIza-key\n");
    QTest::mouseClick(button(*gemini, "Paste"), Qt::LeftButton);
    EXPECT_EQ(field(*gemini, "Paste API key (Ctrl+V)")->text(), "AIza-key");
    QTest::mouseClick(button(*gemini, "Test"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return shows(*gemini, "Connected · gemini-2.0-flash · ok"); }));

    // An emptied draft clears the stored key.
    QLineEdit* openRouterKey = field(*openRouter, "Paste API key (Ctrl+V)");
    QTest::keyClicks(openRouterKey, "x");
    QTest::keyClick(openRouterKey, Qt::Key_Backspace);
    QTest::mouseClick(button(*openRouter, "Save"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return shows(*openRouter, "Cleared"); }));
    EXPECT_EQ(chat.keys.get(PlusAIProvider::openRouter), "");
    EXPECT_TRUE(waitUntil([&] { return shows(*openRouter, "No key"); }));

    chat.secrets.refuseWrites = true;
    QTest::keyClicks(field(*anthropic, "Paste API key (Ctrl+V)"), "sk-ant");
    QTest::mouseClick(button(*anthropic, "Save"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil(
        [&] { return shows(*anthropic, "Not saved: the keyring did not accept the key"); }));
    EXPECT_TRUE(shows(*anthropic, "No key"));

    QTest::mouseClick(button(*anthropic, "Use"), Qt::LeftButton);
    EXPECT_EQ(chat.model.provider(), PlusAIProvider::anthropic);
    EXPECT_TRUE(shows(*anthropic, "Active"));
    EXPECT_FALSE(shows(*openRouter, "Active"));
    EXPECT_TRUE(shows(pane, "Default model: claude-3-5-haiku-20241022"));
}

TEST(PlusChatViewsTest, ChatPaneShowsTheProviderAndOpensTheKeys) {
    ChatFixture chat;
    chat.storeKey(PlusAIProvider::gemini, "AIza-key");
    PlusPrefsChatPane pane(chat.model, chat.keys, chat.client);
    pane.show();
    EXPECT_TRUE(shows(pane, "Provider: OpenRouter"));
    EXPECT_TRUE(shows(pane, "No key"));
    EXPECT_FALSE(shows(pane, "Provider keys"));
    chat.model.setProvider(PlusAIProvider::gemini);
    EXPECT_TRUE(shows(pane, "Provider: Gemini"));
    EXPECT_TRUE(shows(pane, "Key ready"));
    QTest::mouseClick(button(pane, "Open API Config…"), Qt::LeftButton);
    EXPECT_TRUE(shows(pane, "Provider keys"));
    EXPECT_FALSE(shows(pane, "Provider: Gemini"));
}

// Owned by nothing: a dialog owned by the popover would close it, and go with it.
TEST(PlusChatViewsTest, SaveDialogIsItsOwnWindowAndAddsTheExtensionOnce) {
    for (const auto& [name, ext, file] :
         {std::tuple{"notes.md", "md", "notes.md"}, std::tuple{"log", "txt", "log.txt"}}) {
        PlusFileDownloads::savePanel(name, ext, "text");
        QFileDialog* dialog = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QFileDialog*>(window); found && found->isVisible())
                dialog = found;
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parent(), nullptr);
        EXPECT_EQ(dialog->selectedFiles().value(0).section('/', -1), file);
        dialog->reject();
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace tarvel
