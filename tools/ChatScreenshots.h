#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace tarvel {

class PreferencesRoot;
class UserDefaults;
struct ViewServices;

// The chat for the screenshots: a conversation with a stand-in provider on the loopback
// interface and keys kept in memory, so nothing reaches a real service or keyring.
class ChatScene;

using ShootWindow = std::function<void(const QString& name, QWidget* window)>;
using Settle = std::function<void(int ms)>;

// Puts the chat in the popover and the preferences, with one exchange already made.
std::shared_ptr<ChatScene> installChatScene(ViewServices& services, UserDefaults& settings,
                                            const Settle& settle);
// The chat section on its own, with its key editor, and the preferences' API Config tab.
void shootChatScene(ChatScene& scene, PreferencesRoot* preferences, QWidget* preferencesWindow,
                    const ShootWindow& shoot, const Settle& settle);

}  // namespace tarvel
