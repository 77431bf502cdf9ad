#pragma once

#include <nlohmann/json.hpp>

namespace tarvel::cli {

// Every JSON object tarvelctl builds says which shape it has. Fields are only ever added;
// renaming or removing one would raise this number.
inline constexpr int kJsonSchema = 1;

// `body` with "schema" in front of its fields.
template <typename Json>
Json withSchema(const Json& body) {
    Json j = Json::object();
    j["schema"] = kJsonSchema;
    for (const auto& [key, value] : body.items()) j[key] = value;
    return j;
}

}  // namespace tarvel::cli
