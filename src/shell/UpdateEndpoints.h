#pragma once

namespace tarvel {

// Where the maker publishes updates and the product page.
inline constexpr const char* UPDATE_HOST = "tarvel.app";
inline constexpr const char* UPDATE_CHECK_URL = "https://tarvel.app/tarvel-pro/version.json";
inline constexpr const char* UPDATE_PAGE_URL = "https://tarvel.app/tarvel-pro/";

}  // namespace tarvel
