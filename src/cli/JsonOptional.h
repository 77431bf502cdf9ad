#pragma once

#include <nlohmann/json.hpp>
#include <optional>

namespace tarvel::cli {

// An unknown value is JSON null.
template <typename T>
nlohmann::json orNull(const std::optional<T>& v) {
    return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

}  // namespace tarvel::cli
