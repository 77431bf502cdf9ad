#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarvel {

// A number object as the battery registry hands it out: stored exactly as it came (signed,
// unsigned 64-bit or real) and read back in the ways the battery readers need.
class RegNumber {
public:
    static RegNumber fromSigned(std::int64_t v);
    static RegNumber fromUnsigned(std::uint64_t v);
    static RegNumber fromReal(double v);

    // The value as a native signed integer; absent when that would lose information
    // (a fraction, or an unsigned value above the signed range).
    std::optional<std::int64_t> signed64() const;
    // The 64 bits reinterpreted as signed (2^64 - 1500 reads as -1500).
    std::int64_t unsigned64AsSigned() const;
    // The low 32 bits read as a signed 32-bit value.
    std::int32_t low32Signed() const;
    double real() const;
    bool truthy() const { return real() != 0.0; }

    bool isReal() const { return kind_ == Kind::Real; }
    bool isUnsigned() const { return kind_ == Kind::Unsigned; }

private:
    enum class Kind { Signed, Unsigned, Real };
    std::uint64_t bits() const;

    Kind kind_ = Kind::Signed;
    std::int64_t i_ = 0;
    std::uint64_t u_ = 0;
    double d_ = 0;
};

class RegValue;
using RegDict = std::map<std::string, RegValue>;
using RegArray = std::vector<RegValue>;

// A dynamically typed registry value: number object, boolean object, string, dictionary or array.
class RegValue {
public:
    RegValue() = default;
    RegValue(RegNumber n) : v_(n) {}
    RegValue(bool b) : v_(b) {}
    RegValue(std::string s) : v_(std::move(s)) {}
    RegValue(const char* s) : v_(std::string(s)) {}
    RegValue(RegDict d) : v_(std::move(d)) {}
    RegValue(RegArray a) : v_(std::move(a)) {}

    static RegValue integer(std::int64_t v) { return RegNumber::fromSigned(v); }
    static RegValue real(double v) { return RegNumber::fromReal(v); }

    const RegNumber* number() const { return std::get_if<RegNumber>(&v_); }
    const bool* boolean() const { return std::get_if<bool>(&v_); }
    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const RegDict* dict() const { return std::get_if<RegDict>(&v_); }
    const RegArray* array() const { return std::get_if<RegArray>(&v_); }

private:
    std::variant<RegNumber, bool, std::string, RegDict, RegArray> v_;
};

}  // namespace tarvel
