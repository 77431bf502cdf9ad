#pragma once

namespace tarvel {

// The running build's version string and channel label, fixed at build time.
inline constexpr const char* TARVEL_VERSION = TARVEL_BUILD_VERSION;
inline constexpr const char* TARVEL_CHANNEL = "pro";

}  // namespace tarvel
