#include "telemetry/RegistryProperties.h"

#include "base/Rounding.h"

namespace tarvel {

namespace {
const RegValue* find(const RegDict& d, const std::string& key) {
    auto it = d.find(key);
    return it == d.end() ? nullptr : &it->second;
}
}  // namespace

std::optional<std::int64_t> propInt(const RegDict& entry, const std::string& key) {
    const RegValue* v = find(entry, key);
    const RegNumber* n = v ? v->number() : nullptr;
    if (!n) return std::nullopt;
    if (auto s = n->signed64()) return s;
    return n->low32Signed();
}

const RegDict* propDict(const RegDict& entry, const std::string& key) {
    const RegValue* v = find(entry, key);
    const RegDict* d = v ? v->dict() : nullptr;
    return d && !d->empty() ? d : nullptr;
}

std::optional<std::int64_t> dictInt(const RegDict& dict, const std::string& key) {
    const RegValue* v = find(dict, key);
    const RegNumber* n = v ? v->number() : nullptr;
    return n ? n->signed64() : std::nullopt;
}

std::optional<bool> propBool(const RegDict& entry, const std::string& key) {
    const RegValue* v = find(entry, key);
    if (!v) return std::nullopt;
    if (const bool* b = v->boolean()) return *b;
    if (const RegNumber* n = v->number()) return n->truthy();
    return std::nullopt;
}

std::optional<double> propReal(const RegDict& entry, const std::string& key) {
    const RegValue* v = find(entry, key);
    const RegNumber* n = v ? v->number() : nullptr;
    return n ? std::optional<double>(n->real()) : std::nullopt;
}

const std::string* propString(const RegDict& entry, const std::string& key) {
    const RegValue* v = find(entry, key);
    return v ? v->string() : nullptr;
}

std::int64_t percentOf(double part, double whole) {
    return clampTo<std::int64_t>(roundHalfAway(part / whole * 100.0), 0, 100);
}

}  // namespace tarvel
