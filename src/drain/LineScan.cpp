#include "drain/LineScan.h"

#include <cmath>
#include <string>

#include "drain/IsoTime.h"

namespace tarvel {

std::string_view quickTime(std::string_view line) {
    static constexpr std::string_view kPrefix = "{\"t\":\"";
    constexpr std::size_t kTimeLength = 20;
    if (line.size() < kPrefix.size() + kTimeLength + 1 || line.substr(0, kPrefix.size()) != kPrefix)
        return {};
    const std::string_view time = line.substr(kPrefix.size(), kTimeLength);
    const std::size_t after = kPrefix.size() + kTimeLength;
    if (line[after] != '"' || !looksLikeCanonicalUtc(time)) return {};
    // A second "t" key would make the first misleading: a full parser keeps the last one. It
    // may be spelled plainly or with a \u escape ("\u0074"); text that merely looks like
    // either sends the line to the full parser too.
    if (line.find("\"t\"", after) != std::string_view::npos ||
        line.find("\\u", after) != std::string_view::npos)
        return {};
    return time;
}

namespace {

// A recursive-descent check of the plain subset of JSON. Every method returns false as soon
// as the text leaves the subset, valid JSON or not.
class PlainJson {
public:
    explicit PlainJson(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool document() {
        space();
        if (!value(0)) return false;
        space();
        return p_ == end_;
    }

private:
    static constexpr int kMaxDepth = 64;
    static constexpr std::ptrdiff_t kMaxDigits = 300;  // far from any double overflow

    void space() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }
    bool eat(char c) {
        if (p_ == end_ || *p_ != c) return false;
        ++p_;
        return true;
    }
    bool word(std::string_view w) {
        if (end_ - p_ < static_cast<std::ptrdiff_t>(w.size()) ||
            std::string_view(p_, w.size()) != w)
            return false;
        p_ += w.size();
        return true;
    }
    bool string() {
        if (!eat('"')) return false;
        while (p_ != end_) {
            const auto c = static_cast<unsigned char>(*p_++);
            if (c == '"') return true;
            if (c < 0x20 || c >= 0x80) return false;
            if (c == '\\') {
                if (p_ == end_) return false;
                const char e = *p_++;
                if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' &&
                    e != 'r' && e != 't')
                    return false;
            }
        }
        return false;
    }
    std::ptrdiff_t digits() {
        const char* start = p_;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ - start;
    }
    bool number() {
        eat('-');
        if (p_ == end_) return false;
        std::ptrdiff_t n;
        if (*p_ == '0') {
            ++p_;
            n = 1;
        } else if ((n = digits()) == 0) {
            return false;
        }
        if (eat('.')) {
            const std::ptrdiff_t f = digits();
            if (f == 0) return false;
            n += f;
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) return false;
        return n <= kMaxDigits;
    }
    bool value(int depth) {
        if (p_ == end_ || depth > kMaxDepth) return false;
        switch (*p_) {
            case '{': {
                ++p_;
                space();
                if (eat('}')) return true;
                do {
                    space();
                    if (!string()) return false;
                    space();
                    if (!eat(':')) return false;
                    space();
                    if (!value(depth + 1)) return false;
                    space();
                } while (eat(','));
                return eat('}');
            }
            case '[': {
                ++p_;
                space();
                if (eat(']')) return true;
                do {
                    space();
                    if (!value(depth + 1)) return false;
                    space();
                } while (eat(','));
                return eat(']');
            }
            case '"':
                return string();
            case 't':
                return word("true");
            case 'f':
                return word("false");
            case 'n':
                return word("null");
            default:
                return number();
        }
    }

    const char* p_;
    const char* end_;
};

}  // namespace

bool certainlyValidJson(std::string_view text) {
    return PlainJson(text).document();
}

std::string quickBoundary(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 253402300799.0) return {};
    std::string text = formatIsoUtc(std::ceil(seconds));
    return looksLikeCanonicalUtc(text) ? text : std::string();
}

}  // namespace tarvel
