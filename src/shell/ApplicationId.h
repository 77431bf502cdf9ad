#pragma once

namespace tarvel {

// The application's one reverse-DNS id: the desktop entry, the autostart file, the
// single-instance bus name and the key-store service all use it.
inline constexpr const char* kApplicationId = "app.tarvel.Tarvel";

}  // namespace tarvel
