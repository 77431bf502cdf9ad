#include "platform/RegistryJson.h"

namespace tarvel {

std::optional<RegValue> regValueFromJson(const nlohmann::json& j) {
    using V = nlohmann::json::value_t;
    switch (j.type()) {
        case V::boolean:
            return RegValue(j.get<bool>());
        case V::number_unsigned: {
            const auto u = j.get<std::uint64_t>();
            if (u <= static_cast<std::uint64_t>(INT64_MAX))
                return RegValue(RegNumber::fromSigned(static_cast<std::int64_t>(u)));
            return RegValue(RegNumber::fromUnsigned(u));
        }
        case V::number_integer:
            return RegValue(RegNumber::fromSigned(j.get<std::int64_t>()));
        case V::number_float:
            return RegValue(RegNumber::fromReal(j.get<double>()));
        case V::string:
            return RegValue(j.get<std::string>());
        case V::object: {
            RegDict d;
            for (const auto& [k, v] : j.items())
                if (auto rv = regValueFromJson(v)) d.emplace(k, std::move(*rv));
            return RegValue(std::move(d));
        }
        case V::array: {
            RegArray a;
            for (const auto& v : j)
                if (auto rv = regValueFromJson(v)) a.push_back(std::move(*rv));
            return RegValue(std::move(a));
        }
        default:
            return std::nullopt;
    }
}

}  // namespace tarvel
