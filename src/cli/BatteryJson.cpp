#include "cli/BatteryJson.h"

#include "base/JsonInput.h"
#include "cli/Args.h"
#include "cli/JsonOptional.h"

namespace tarvel::cli {

namespace {

template <typename T>
void take(const nlohmann::json& j, const char* key, T& field) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return;
    try {
        if constexpr (std::is_same_v<T, bool>) {
            if (!it->is_boolean()) throw std::invalid_argument("");
        } else if constexpr (std::is_arithmetic_v<T>) {
            if (!it->is_number()) throw std::invalid_argument("");
            if (std::is_integral_v<T> && !it->is_number_integer()) throw std::invalid_argument("");
        }
        field = it->get<T>();
    } catch (const std::exception&) {
        throw UsageError(std::string("snapshot field \"") + key +
                         "\" has the wrong type: " + quotedExcerpt(it->dump()));
    }
}

template <typename T>
void take(const nlohmann::json& j, const char* key, std::optional<T>& field) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return;
    T value{};
    take(j, key, value);
    field = value;
}

}  // namespace

nlohmann::json toJson(const BatSnap& s) {
    return {
        {"present", s.present},
        {"level", s.levelKnown ? nlohmann::json(s.level) : nlohmann::json()},
        {"charging", s.charging},
        {"onAC", s.onAC},
        {"chargeW", s.chargeW},
        {"adapterW", s.adapterW},
        {"minutes", orNull(s.minutes)},
        {"minutesIsLiveEstimate", s.minutesIsLiveEstimate},
        {"cycles", orNull(s.cycles)},
        {"health", orNull(s.health)},
        {"rawMax", orNull(s.rawMax)},
        {"design", orNull(s.design)},
        {"rawCurrent", orNull(s.rawCurrent)},
        {"amperageMA", orNull(s.amperageMA)},
        {"voltageMV", orNull(s.voltageMV)},
        {"sourcesLabel", s.sourcesLabel},
        {"sourceNames", s.sourceNames},
    };
}

nlohmann::json toJson(const BatSourceReading& r) {
    return {
        {"name", r.name},
        {"present", orNull(r.present)},
        {"level", orNull(r.level)},
        {"charging", orNull(r.charging)},
        {"onAC", orNull(r.onAC)},
        {"chargeW", orNull(r.chargeW)},
        {"adapterW", orNull(r.adapterW)},
        {"minutes", orNull(r.minutes)},
        {"cycles", orNull(r.cycles)},
        {"health", orNull(r.health)},
        {"rawMax", orNull(r.rawMax)},
        {"design", orNull(r.design)},
        {"rawCurrent", orNull(r.rawCurrent)},
        {"amperageMA", orNull(r.amperageMA)},
        {"voltageMV", orNull(r.voltageMV)},
        {"ok", r.ok()},
    };
}

BatSnap snapFromJson(const nlohmann::json& j) {
    if (!j.is_object()) throw UsageError("\"snap\" must be an object");
    BatSnap s;
    take(j, "present", s.present);
    take(j, "level", s.level);
    // null: no source could read it (as `snapshot --json` writes an unknown level).
    if (const auto level = j.find("level"); level != j.end() && level->is_null())
        s.levelKnown = false;
    take(j, "charging", s.charging);
    take(j, "onAC", s.onAC);
    take(j, "chargeW", s.chargeW);
    take(j, "adapterW", s.adapterW);
    take(j, "minutes", s.minutes);
    take(j, "minutesIsLiveEstimate", s.minutesIsLiveEstimate);
    take(j, "cycles", s.cycles);
    take(j, "health", s.health);
    take(j, "rawMax", s.rawMax);
    take(j, "design", s.design);
    take(j, "rawCurrent", s.rawCurrent);
    take(j, "amperageMA", s.amperageMA);
    take(j, "voltageMV", s.voltageMV);
    take(j, "sourcesLabel", s.sourcesLabel);
    take(j, "sourceNames", s.sourceNames);
    return s;
}

}  // namespace tarvel::cli
