#include "telemetry/CommandLineReaders.h"

#include <QRegularExpression>
#include <QString>
#include <cmath>

#include "base/Rounding.h"
#include "telemetry/RegistryProperties.h"

namespace tarvel {

namespace {

using I64 = std::int64_t;
using OptI = std::optional<I64>;

const char* const kUnsigned = R"(\s*=\s*(\d+))";
const char* const kSigned = R"(\s*=\s*(-?\d+))";

class TextMatcher {
public:
    explicit TextMatcher(const std::string& text) : text_(QString::fromStdString(text)) {}

    // Capture group 1 of the first match, as a signed 64-bit decimal.
    OptI matchInt(const QString& pattern) const {
        const QString group = firstGroup(pattern);
        if (group.isEmpty()) return std::nullopt;
        bool ok = false;
        const qlonglong v = group.toLongLong(&ok, 10);
        return ok ? OptI(v) : std::nullopt;
    }

    QString firstGroup(const QString& pattern) const {
        const QRegularExpression re(pattern);
        if (!re.isValid()) return {};
        const auto m = re.match(text_);
        return m.hasMatch() && re.captureCount() >= 1 ? m.captured(1) : QString();
    }

    OptI key(const char* name, const char* suffix) const {
        return matchInt("\"" + QString::fromLatin1(name) + "\"" + QString::fromLatin1(suffix));
    }

    std::optional<bool> matchBool(const char* name) const {
        const QString key = "\"" + QRegularExpression::escape(QString::fromLatin1(name)) + "\"";
        if (QRegularExpression(key + R"(\s*=\s*Yes)").match(text_).hasMatch()) return true;
        if (QRegularExpression(key + R"(\s*=\s*No)").match(text_).hasMatch()) return false;
        const OptI bit = matchInt(key + R"(\s*=\s*([01])\b)");
        if (bit == 1) return true;
        if (bit == 0) return false;
        return std::nullopt;
    }

    const QString& text() const { return text_; }

private:
    QString text_;
};

// Amperage printed as a wrapped unsigned value: try the 64-bit, then the 32-bit reading.
I64 repairAmperage(const TextMatcher& t, I64 a) {
    if (withinMagnitude(a, 30000)) return a;
    const QString group = t.firstGroup(R"("InstantAmperage")" + QString::fromLatin1(kUnsigned));
    bool ok = false;
    const qulonglong u = group.toULongLong(&ok, 10);
    if (ok && !group.isEmpty()) {
        const I64 reinterpreted = static_cast<I64>(u);
        if (withinMagnitude(reinterpreted, 30000)) return reinterpreted;
    }
    const I64 low =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(a)));
    if (!withinMagnitude(a, 499999) && low > -500000 && low <= 499999) return low;
    return a;
}

}  // namespace

BatSourceReading parseIoregText(const std::string& text) {
    BatSourceReading r{reader::kIoreg};
    if (text.find("AppleSmartBattery") == std::string::npos &&
        text.find("MaxCapacity") == std::string::npos &&
        text.find("CurrentCapacity") == std::string::npos)
        return r;
    const TextMatcher t(text);
    r.present = true;

    const OptI raw = firstKnownOf(t.key("AppleRawCurrentCapacity", kUnsigned),
                                  t.key("AppleRawCurrentCapacity", kSigned));
    const OptI rawMax =
        firstKnownOf(t.key("AppleRawMaxCapacity", kUnsigned), t.key("MaxCapacity", kUnsigned));
    const OptI current = t.key("CurrentCapacity", kUnsigned);
    const OptI design = t.key("DesignCapacity", kUnsigned);
    const OptI volts =
        firstKnownOf(t.key("AppleRawBatteryVoltage", kUnsigned), t.key("Voltage", kUnsigned));
    OptI amps = firstKnownOf(t.key("InstantAmperage", kSigned), t.key("Amperage", kSigned));
    const OptI toEmpty = t.key("AvgTimeToEmpty", kUnsigned);
    const OptI toFull = t.key("AvgTimeToFull", kUnsigned);
    const OptI remaining = t.key("TimeRemaining", kUnsigned);

    r.rawCurrent = raw;
    r.rawMax = rawMax;
    r.cycles = t.key("CycleCount", kUnsigned);
    if (design && *design >= 1) r.design = design;  // 0 is a gauge that does not know
    r.voltageMV = volts;
    if (raw && rawMax && *rawMax >= 1)
        r.level = percentOf(double(*raw), double(*rawMax));
    else if (current && *current <= 100)
        r.level = current;
    if (rawMax && r.design) r.health = percentOf(double(*rawMax), double(*r.design));

    r.charging = t.matchBool("IsCharging");
    r.onAC = r.charging == true ? std::optional<bool>(true) : t.matchBool("ExternalConnected");

    if (amps) amps = repairAmperage(t, *amps);
    r.amperageMA = amps;
    if (amps && *amps != 0 && volts && *volts >= 1)
        r.chargeW = std::fabs(double(*amps)) / 1000.0 * double(*volts) / 1000.0;

    if (r.charging != true) r.minutes = validMinutes(toEmpty);
    if (r.charging == true && validMinutes(toFull)) r.minutes = toFull;
    if (!r.minutes) r.minutes = validMinutes(remaining);
    return r;
}

BatSourceReading parsePmsetText(const std::string& text) {
    BatSourceReading r{reader::kPmset};
    if (text.empty()) return r;
    const QString t = QString::fromStdString(text);

    static const QRegularExpression kPowerWords("InternalBattery|Battery Power|AC Power");
    if (kPowerWords.match(t).hasMatch())
        r.present = t.contains("InternalBattery") || t.contains("Battery Power") || t.contains('%');

    static const QRegularExpression kPercent(R"((\d{1,3})\s*%)");
    if (const auto m = kPercent.match(t); m.hasMatch()) {
        bool ok = false;
        const int level = m.captured(0).remove('%').trimmed().toInt(&ok);
        if (ok && level <= 100) r.level = level;
    }

    const QString lower = t.toLower();
    if (lower.contains("charging") && !lower.contains("discharging")) {
        r.charging = true;
        r.onAC = true;
    } else if (lower.contains("discharging")) {
        r.charging = false;
        r.onAC = false;
    } else if (lower.contains("charged") || lower.contains("finishing charge")) {
        r.charging = false;
        r.onAC = true;
    }
    if (lower.contains("ac power") || lower.contains("attached")) r.onAC = true;

    static const QRegularExpression kRemaining(R"((\d{1,3}):(\d{2})\s+remaining)",
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kClock(R"((\d{1,3}):(\d{2}))");
    if (const auto m = kRemaining.match(t); m.hasMatch()) {
        if (const auto c = kClock.match(m.captured(0)); c.hasMatch()) {
            const QStringList pieces = c.captured(0).split(':', Qt::SkipEmptyParts);
            bool okH = false, okM = false;
            if (pieces.size() == 2) {
                const int h = pieces[0].toInt(&okH), mins = pieces[1].toInt(&okM);
                if (okH && okM) r.minutes = validMinutes(I64(h) * 60 + mins);
            }
        }
    }
    return r;
}

BatSourceReading readBatteryIoreg(CommandRunner& runner) {
    return parseIoregText(
        runner.shellCapture(kIoregPath, {"-rn", "AppleSmartBattery", "-c", "AppleSmartBattery"}));
}

BatSourceReading readBatteryPmset(CommandRunner& runner) {
    return parsePmsetText(runner.shellCapture(kPmsetPath, {"-g", "batt"}));
}

}  // namespace tarvel
