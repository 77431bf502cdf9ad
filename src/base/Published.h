#pragma once

#include <utility>

namespace tarvel {

// Assigns a published field and emits its change signal, only when the value really changes.
// Returns whether it changed.
template <typename Owner, typename T, typename U>
bool publish(Owner* owner, T& field, U&& value, void (Owner::*changed)()) {
    if (field == value) return false;
    field = std::forward<U>(value);
    (owner->*changed)();
    return true;
}

}  // namespace tarvel
