#include "telemetry/BatteryAssembly.h"

#include <algorithm>
#include <cmath>

#include "base/Rounding.h"
#include "telemetry/CommandLineReaders.h"
#include "telemetry/RegistryReaders.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

namespace {

using I64 = std::int64_t;
using OptI = std::optional<I64>;
using Ptrs = std::vector<const BatSourceReading*>;

const BatSourceReading* byName(const std::vector<BatSourceReading>& rs, const char* name) {
    for (const auto& r : rs)
        if (r.name == name) return &r;
    return nullptr;
}

template <typename T>
std::optional<T> firstKnown(const Ptrs& order, std::optional<T> BatSourceReading::*field) {
    for (const auto* r : order)
        if (r && r->*field) return r->*field;
    return std::nullopt;
}

double firstPositive(const Ptrs& order, std::optional<double> BatSourceReading::*field) {
    for (const auto* r : order)
        if (r && r->*field && *(r->*field) > 0) return *(r->*field);
    return 0;
}

struct LiveEstimate {
    OptI minutes;
    bool batteryFull = false;  // charging with under 9 mAh to go
};

LiveEstimate estimateMinutes(const BatSnap& s) {
    LiveEstimate out;
    const I64 rawCurrent = *s.rawCurrent, rawMax = *s.rawMax;
    const double remaining = rawCurrent >= 1 ? double(std::min(rawCurrent, rawMax)) : 0.0;
    const double toFull = double(std::max<I64>(rawMax - rawCurrent, 0));
    const double volts = s.voltageMV ? double(*s.voltageMV) / 1000.0 : 11.5;
    std::vector<I64> candidates;
    auto keep = [&](double minutes, I64 cap) {
        const I64 m = roundHalfAway(minutes);
        if (m >= 1 && m <= cap) candidates.push_back(m);
    };

    if (s.amperageMA && (*s.amperageMA >= 150 || *s.amperageMA <= -150)) {
        const I64 a = *s.amperageMA;
        const double amps = std::fabs(double(a));
        if (!s.charging && !s.onAC && a < 0) {
            keep(remaining / amps * 60.0, 1200);
        } else if (s.charging && a >= 1) {
            if (rawMax - rawCurrent < 9) {
                out.batteryFull = true;
                return out;
            }
            keep(toFull / amps * 60.0, 480);
        }
    }
    if (s.chargeW >= 0.7 && volts > 5.0) {
        if (!s.charging && !s.onAC)
            keep(remaining / 1000.0 * volts / s.chargeW * 60.0, 1200);
        else if (s.charging)
            keep(toFull / 1000.0 * volts / s.chargeW * 60.0, 480);
    }
    if (!candidates.empty()) {
        std::sort(candidates.begin(), candidates.end());
        out.minutes = candidates[(candidates.size() - 1) / 2];
    }
    return out;
}

std::string join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

}  // namespace

bool minutesPlausible(I64 m, bool charging, bool onAC) {
    if (m < 1 || m > 65534) return false;
    if (onAC) return charging && m <= 480;
    return charging ? m <= 480 : m <= 1200;
}

BatteryReadings collectBatteryReadings(bool includeShellCrossCheck, BatteryServices& services,
                                       CommandRunner& runner) {
    const BatteryServiceSnapshot os = services.copyBatteryServices();
    const RegDict* entry = os.smartBattery ? &*os.smartBattery : nullptr;
    BatteryReadings polled{{}, os.adapterOnline};
    std::vector<BatSourceReading>& readings = polled.readings;
    readings.push_back(readIOPS(os.powerSources));
    readings.push_back(readSmartBattery(entry));
    readings.push_back(readGauge(entry));
    readings.push_back(readTelemetry(entry));
    const BatSourceReading& iops = readings.front();
    if (includeShellCrossCheck) {
        readings.push_back(readBatteryPmset(runner));
        readings.push_back(readBatteryIoreg(runner));
    } else if (!iops.level || !iops.minutes) {
        readings.push_back(readBatteryPmset(runner));
    }
    return polled;
}

BatSnap mergeBatteryReadings(const std::vector<BatSourceReading>& readings,
                             std::optional<bool> adapterOnline) {
    const auto* sb = byName(readings, reader::kSmartBattery);
    const auto* iops = byName(readings, reader::kIOPS);
    const auto* pm = byName(readings, reader::kPmset);
    const auto* gauge = byName(readings, reader::kGauge);
    const auto* telemetry = byName(readings, reader::kTelemetry);
    const auto* ioreg = byName(readings, reader::kIoreg);
    const Ptrs state{sb, iops, pm};
    const Ptrs detail{sb, gauge, telemetry, ioreg, iops, pm};

    BatSnap s;
    s.present = std::any_of(readings.begin(), readings.end(),
                            [](const BatSourceReading& r) { return r.present == true; });
    s.charging = firstKnown(state, &BatSourceReading::charging).value_or(false);
    // The adapter on its own speaks only when no reader knows: it says nothing of a battery.
    s.onAC = s.charging ||
             firstKnown(state, &BatSourceReading::onAC).value_or(adapterOnline.value_or(false));
    s.levelKnown = false;
    for (const auto* r : state) {
        if (r && r->level && *r->level >= 0 && *r->level <= 100) {
            s.level = int(*r->level);
            s.levelKnown = true;
            break;
        }
    }

    s.cycles = firstKnown(detail, &BatSourceReading::cycles);
    s.health = firstKnown(detail, &BatSourceReading::health);
    s.rawMax = firstKnown(detail, &BatSourceReading::rawMax);
    s.design = firstKnown(detail, &BatSourceReading::design);
    s.rawCurrent = firstKnown(detail, &BatSourceReading::rawCurrent);
    s.amperageMA = firstKnown(detail, &BatSourceReading::amperageMA);
    s.voltageMV = firstKnown(detail, &BatSourceReading::voltageMV);
    const double provisionalW = firstPositive(detail, &BatSourceReading::chargeW);
    s.adapterW = firstPositive(detail, &BatSourceReading::adapterW);

    const OptI& a = s.amperageMA;
    const OptI& v = s.voltageMV;
    if (a && v && *v >= 1 && (*a >= 20 || *a <= -20)) {
        const double w = std::fabs(double(*a)) / 1000.0 * double(*v) / 1000.0;
        s.chargeW = w > 0.08 ? w : provisionalW;
    } else if (telemetry && telemetry->chargeW && *telemetry->chargeW > 0.15) {
        s.chargeW = *telemetry->chargeW;
    } else {
        s.chargeW = provisionalW;
    }

    bool minutesDone = false;
    for (const auto* r : {sb, ioreg, iops, pm}) {
        if (r && r->minutes && minutesPlausible(*r->minutes, s.charging, s.onAC)) {
            s.minutes = r->minutes;
            minutesDone = true;
            break;
        }
    }
    if (!minutesDone && s.present && s.rawCurrent && s.rawMax && *s.rawMax >= 51) {
        const LiveEstimate live = estimateMinutes(s);
        if (live.batteryFull) {
            s.minutes = 1;
            s.minutesIsLiveEstimate = true;
            s.onAC = true;
        } else if (live.minutes) {
            s.minutes = live.minutes;
            s.minutesIsLiveEstimate = true;
        }
    }

    if (s.level > 0 || s.rawCurrent) s.present = true;

    std::vector<std::string> names;
    // The battery entry, its gauge, its current and the power-source list all come from the
    // one sysfs class here, so they share one name.
    if ((sb && (sb->ok() || sb->amperageMA)) || (gauge && gauge->ok()) || (iops && iops->ok()))
        names.emplace_back(texts::kPowerSupplySource);
    if (pm && pm->ok()) names.emplace_back("pmset");
    if (!names.empty()) {
        s.sourcesLabel = join(names, " + ");
    } else {
        for (const auto& r : readings)
            if (r.ok()) names.push_back(r.name);
        s.sourcesLabel = join(names, " · ");
    }
    s.sourceNames = std::move(names);

    s.level = std::min(s.level, 100);
    if (s.charging) s.onAC = true;
    if (s.minutes && !minutesPlausible(*s.minutes, s.charging, s.onAC)) {
        s.minutes.reset();
        s.minutesIsLiveEstimate = false;
    }
    return s;
}

}  // namespace tarvel
