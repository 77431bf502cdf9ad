#pragma once

namespace tarvel {

class UserDefaults;

// Whether the user has dismissed the one-time welcome sheet; shared by every surface that
// shows it, so dismissing it once hides it everywhere.
namespace TarvelOnboarding {

inline constexpr const char* kSeenKey = "tarvelpro.onboarding.seen.v1";

bool hasSeen(const UserDefaults& defaults);
void markSeen(UserDefaults& defaults);

}  // namespace TarvelOnboarding

}  // namespace tarvel
