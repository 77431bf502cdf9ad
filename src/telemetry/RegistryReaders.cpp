#include "telemetry/RegistryReaders.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/Rounding.h"
#include "telemetry/RegistryProperties.h"

namespace tarvel {

namespace {

using I64 = std::int64_t;
using OptI = std::optional<I64>;

enum class ChargeState { Charging, NotCharging, Unknown };

// A number value read as a signed integer (entries of a dictionary or an array).
OptI numberInt(const RegValue& v) {
    const RegNumber* n = v.number();
    return n ? n->signed64() : std::nullopt;
}

// Sum of a CellVoltage list's entries above `floor`; absent when none qualifies.
OptI sumCells(const RegDict& gauge, I64 floor) {
    auto it = gauge.find("CellVoltage");
    if (it == gauge.end() || !it->second.array()) return std::nullopt;
    I64 sum = 0;
    bool any = false;
    for (const auto& cell : *it->second.array()) {
        OptI mv = numberInt(cell);
        if (mv && *mv > floor) {
            sum += *mv;
            any = true;
        }
    }
    return any ? OptI(sum) : std::nullopt;
}

OptI plausibleAmperage(const RegDict& entry) {
    for (const char* key : {"InstantAmperage", "Amperage"}) {
        auto it = entry.find(key);
        const RegNumber* n = it == entry.end() ? nullptr : it->second.number();
        if (!n) continue;
        for (OptI candidate :
             {OptI(n->unsigned64AsSigned()), n->signed64(), OptI(n->low32Signed())})
            if (candidate && withinMagnitude(*candidate, 50000)) return candidate;
    }
    return std::nullopt;
}

void readSmartBatteryLevel(const RegDict& entry, const RegDict* gauge, BatSourceReading& r) {
    const OptI c = propInt(entry, "CurrentCapacity");
    const OptI m = propInt(entry, "MaxCapacity");
    if (c && *c >= 0 && *c <= 100) {
        // Above 100 both are mAh; otherwise the controller already speaks percent.
        r.level = (m && *m > 100) ? percentOf(double(*c), double(*m)) : *c;
        return;
    }
    if (c && *c > 100 && m && *m > 100) {
        r.level = percentOf(double(*c), double(*m));
        return;
    }
    if (gauge) {
        OptI soc = dictInt(*gauge, "StateOfCharge");
        if (soc && *soc >= 0 && *soc <= 100) {
            r.level = soc;
            return;
        }
    }
    if (r.rawCurrent && r.rawMax && *r.rawMax > 50)
        r.level = percentOf(double(*r.rawCurrent), double(*r.rawMax));
}

OptI readSmartBatteryVoltage(const RegDict& entry, const RegDict* gauge) {
    OptI v = propInt(entry, "AppleRawBatteryVoltage");
    if (!v) {
        v = propInt(entry, "Voltage");
        if (v == 0) v.reset();
    }
    if (!v && gauge)
        v = firstKnownOf(dictInt(*gauge, "Voltage"), dictInt(*gauge, "AppleRawBatteryVoltage"));
    if ((!v || *v < 1) && gauge) {
        if (OptI cells = sumCells(*gauge, 500)) v = cells;
    }
    return v && *v >= 1 ? v : std::nullopt;
}

}  // namespace

BatSourceReading readSmartBattery(const RegDict* entryPtr) {
    BatSourceReading r{reader::kSmartBattery};
    if (!entryPtr) return r;
    const RegDict& entry = *entryPtr;
    r.present = true;
    r.rawCurrent = propInt(entry, "AppleRawCurrentCapacity");
    r.rawMax = firstKnownOf(propInt(entry, "AppleRawMaxCapacity"),
                            propInt(entry, "NominalChargeCapacity"));
    const RegDict* gauge = propDict(entry, "BatteryData");
    readSmartBatteryLevel(entry, gauge, r);

    ChargeState state = ChargeState::Unknown;
    const auto isCharging = propBool(entry, "IsCharging");
    if (isCharging) {
        r.charging = *isCharging;
        if (*isCharging) r.onAC = true;
        state = *isCharging ? ChargeState::Charging : ChargeState::NotCharging;
    }
    auto external = propBool(entry, "ExternalConnected");
    if (!external) external = propBool(entry, "AppleRawExternalConnected");
    if (external) r.onAC = *external ? true : isCharging.value_or(false);
    if (propBool(entry, "FullyCharged") == true) {
        r.charging = false;
        r.onAC = true;
        state = ChargeState::NotCharging;
    }

    r.cycles = propInt(entry, "CycleCount");
    if (!r.cycles && gauge) r.cycles = dictInt(*gauge, "CycleCount");
    OptI design = propInt(entry, "DesignCapacity");
    if (!design && gauge) design = dictInt(*gauge, "DesignCapacity");
    if (design && *design >= 1) r.design = design;
    if (r.rawMax && r.design) r.health = percentOf(double(*r.rawMax), double(*r.design));

    const OptI volts = readSmartBatteryVoltage(entry, gauge);
    r.voltageMV = volts;
    r.amperageMA = plausibleAmperage(entry);
    if (r.amperageMA && *r.amperageMA != 0 && volts) {
        const I64 a = *r.amperageMA;
        const bool disagrees = (state == ChargeState::Charging && a <= 0) ||
                               (state != ChargeState::Charging && a >= 0);
        if (!(std::llabs(a) <= 40 && disagrees))
            r.chargeW = std::llabs(a) / 1000.0 * double(*volts) / 1000.0;
    }

    if (const RegDict* adapter = propDict(entry, "AdapterDetails")) {
        auto watts = propReal(*adapter, "Watts");
        if (watts && *watts > 0) r.adapterW = watts;
    }

    if (state != ChargeState::Charging) {
        const OptI t = validMinutes(propInt(entry, "TimeRemaining"));
        if (r.onAC != true)
            r.minutes = firstKnownOf(t, validMinutes(propInt(entry, "AvgTimeToEmpty")));
        else
            r.minutes = t;
    } else {
        if ((!r.chargeW || *r.chargeW <= 0.1) && r.adapterW)
            r.chargeW = std::min(*r.adapterW, 140.0);
        if (!r.chargeW || *r.chargeW <= 0) {
            const RegDict* charger = propDict(entry, "ChargerData");
            const OptI current = charger ? dictInt(*charger, "ChargingCurrent") : std::nullopt;
            if (current && *current > 0 && volts)
                r.chargeW = *current / 1000.0 * double(*volts) / 1000.0;
        }
        r.minutes = firstKnownOf(validMinutes(propInt(entry, "TimeRemaining")),
                                 validMinutes(propInt(entry, "AvgTimeToFull")));
    }
    return r;
}

BatSourceReading readGauge(const RegDict* entry) {
    BatSourceReading r{reader::kGauge};
    const RegDict* gauge = entry ? propDict(*entry, "BatteryData") : nullptr;
    if (!gauge) return r;
    r.present = true;
    const OptI soc = dictInt(*gauge, "StateOfCharge");
    if (soc && *soc >= 0 && *soc <= 100) r.level = soc;
    r.cycles = dictInt(*gauge, "CycleCount");
    const OptI design = dictInt(*gauge, "DesignCapacity");
    if (design && *design > 0) {
        r.design = design;
        const OptI full = firstKnownOf(dictInt(*gauge, "FccComp1"), dictInt(*gauge, "FccComp2"));
        if (full && *full > 0) {
            r.rawMax = full;
            r.health = percentOf(double(*full), double(*design));
        }
    }
    const OptI volts = dictInt(*gauge, "Voltage");
    r.voltageMV = volts && *volts >= 1 ? volts : sumCells(*gauge, 0);
    return r;
}

BatSourceReading readTelemetry(const RegDict* entry) {
    BatSourceReading r{reader::kTelemetry};
    const RegDict* telemetry = entry ? propDict(*entry, "PowerTelemetryData") : nullptr;
    if (!telemetry) return r;
    r.present = true;

    std::optional<double> systemW;
    if (auto load = propReal(*telemetry, "SystemLoad"); load && *load > 150) {
        systemW = *load / 1000.0;
        r.chargeW = systemW;
    }
    auto it = telemetry->find("BatteryPower");
    if (it != telemetry->end() && it->second.number()) {
        const RegNumber& n = *it->second.number();
        double milliW;
        const I64 reinterpreted = n.unsigned64AsSigned();
        const OptI native = n.signed64();
        if (withinMagnitude(reinterpreted, 50000))
            milliW = double(reinterpreted);
        else if (native && withinMagnitude(*native, 50000))
            milliW = double(*native);
        else
            milliW = double(static_cast<std::uint64_t>(reinterpreted));
        const double batteryW = std::fabs(milliW) / 1000.0;
        if (batteryW > 0.15 && batteryW < 100) {
            r.chargeW = (systemW && std::fabs(*systemW - batteryW) <= 1.5)
                            ? (*systemW + batteryW) / 2
                            : batteryW;
        }
    }

    const auto isCharging = propBool(*entry, "IsCharging");
    if (r.chargeW && *r.chargeW > 0.15) {
        const OptI v =
            firstKnownOf(propInt(*entry, "AppleRawBatteryVoltage"), propInt(*entry, "Voltage"));
        if (v && *v > 8000) {
            r.voltageMV = v;
            const I64 ma = roundHalfAway(*r.chargeW / (double(*v) / 1000.0) * 1000.0);
            r.amperageMA = isCharging == true ? ma : -ma;
        }
    }
    r.charging = isCharging;
    r.onAC = propBool(*entry, "ExternalConnected");
    return r;
}

BatSourceReading readIOPS(const std::optional<std::vector<std::optional<RegDict>>>& sources) {
    BatSourceReading r{reader::kIOPS};
    if (!sources) return r;
    const RegDict* chosen = nullptr;
    for (const auto& description : *sources) {
        if (!description) continue;
        const std::string* type = propString(*description, "Type");
        const std::string* name = propString(*description, "Name");
        const bool internalType = !type || type->empty() || *type == "InternalBattery";
        const bool internalName = name && (name->find("InternalBattery") != std::string::npos ||
                                           name->find("Internal Battery") != std::string::npos);
        if (internalType || internalName || sources->size() == 1) {
            chosen = &*description;
            break;
        }
    }
    if (!chosen) return r;
    const RegDict& d = *chosen;
    r.present = true;
    // Integers: a native integer, else the number's integer value.
    auto iopsInt = [&](const char* key) { return propInt(d, key); };

    const OptI cur = iopsInt("Current Capacity");
    const OptI max = iopsInt("Max Capacity");
    if (cur) {
        if (!max || *max <= 100 || *cur < 0) {
            if (*cur >= 0 && *cur <= 100) r.level = cur;
        } else {
            r.level = std::min<I64>(roundHalfAway(double(*cur) / double(*max) * 100.0), 100);
        }
    }
    const std::string* state = propString(d, "Power Source State");
    r.onAC = state && *state == "AC Power";
    r.charging = propBool(d, "Is Charging");
    const OptI toFull = validMinutes(iopsInt("Time to Full Charge"));
    const OptI toEmpty = validMinutes(iopsInt("Time to Empty"));
    if (r.charging == true && toFull)
        r.minutes = toFull;
    else if (r.charging != true && toEmpty)
        r.minutes = toEmpty;
    return r;
}

}  // namespace tarvel
