#include "platform/RegistryValue.h"

#include <cmath>
#include <limits>

namespace tarvel {

RegNumber RegNumber::fromSigned(std::int64_t v) {
    RegNumber n;
    n.kind_ = Kind::Signed;
    n.i_ = v;
    return n;
}

RegNumber RegNumber::fromUnsigned(std::uint64_t v) {
    RegNumber n;
    n.kind_ = Kind::Unsigned;
    n.u_ = v;
    return n;
}

RegNumber RegNumber::fromReal(double v) {
    RegNumber n;
    n.kind_ = Kind::Real;
    n.d_ = v;
    return n;
}

std::optional<std::int64_t> RegNumber::signed64() const {
    switch (kind_) {
        case Kind::Signed:
            return i_;
        case Kind::Unsigned:
            if (u_ > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return std::nullopt;
            return static_cast<std::int64_t>(u_);
        case Kind::Real:
            if (!std::isfinite(d_) || d_ != std::trunc(d_) || d_ < -9.2e18 || d_ > 9.2e18)
                return std::nullopt;
            return static_cast<std::int64_t>(d_);
    }
    return std::nullopt;
}

std::uint64_t RegNumber::bits() const {
    switch (kind_) {
        case Kind::Signed:
            return static_cast<std::uint64_t>(i_);
        case Kind::Unsigned:
            return u_;
        case Kind::Real:
            if (!std::isfinite(d_)) return 0;
            if (d_ <= -9.2e18)
                return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::min());
            if (d_ >= 1.8e19) return std::numeric_limits<std::uint64_t>::max();
            if (d_ < 0) return static_cast<std::uint64_t>(static_cast<std::int64_t>(d_));
            return static_cast<std::uint64_t>(d_);
    }
    return 0;
}

std::int64_t RegNumber::unsigned64AsSigned() const {
    return static_cast<std::int64_t>(bits());
}

std::int32_t RegNumber::low32Signed() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits() & 0xffffffffu));
}

double RegNumber::real() const {
    switch (kind_) {
        case Kind::Signed:
            return static_cast<double>(i_);
        case Kind::Unsigned:
            return static_cast<double>(u_);
        case Kind::Real:
            return d_;
    }
    return 0;
}

}  // namespace tarvel
