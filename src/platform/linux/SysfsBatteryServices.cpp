#include "platform/linux/SysfsBatteryServices.h"

#include <algorithm>

#include "base/Rounding.h"
#include "platform/linux/SysfsPowerSupply.h"

namespace tarvel {

namespace {

using Opt = std::optional<std::int64_t>;
constexpr std::int64_t kOneVolt = 1'000'000;  // µV
constexpr std::int64_t kNominalMicroV = 11'100'000;

// One system battery in registry units (mAh, mV, signed mA, seconds).
struct Battery {
    std::optional<std::string> status;
    Opt capacity, nowMAh, fullMAh, designMAh, voltageMV, cycles;
    Opt currentMA;  // a magnitude per pack; signed once combined

    Opt toEmptyNow, toEmptyAvg, toFullNow, toFullAvg;
};

// Charges, energies, voltages and times are never negative; a driver that says so is wrong.
Opt microToMilli(Opt v) {
    if (!v || *v < 0) return std::nullopt;
    return roundHalfAway(static_cast<double>(*v) / 1000.0);
}

// Energy-only batteries: µWh over the design voltage gives Ah (upower's rule for the voltage).
Opt energyToMAh(Opt microWh, Opt designMicroV) {
    if (!microWh || *microWh < 0 || !designMicroV) return std::nullopt;
    return roundHalfAway(static_cast<double>(*microWh) * 1000.0 /
                         static_cast<double>(*designMicroV));
}

Battery toRegistryUnits(const PowerSupply& s) {
    Battery b;
    b.status = s.status;
    // Some firmware reports a full battery as 101-103 %.
    if (s.capacity && *s.capacity >= 0) b.capacity = std::min<std::int64_t>(*s.capacity, 100);
    if (s.chargeNow || s.chargeFull || s.chargeFullDesign) {
        b.nowMAh = microToMilli(s.chargeNow);
        b.fullMAh = microToMilli(s.chargeFull);
        b.designMAh = microToMilli(s.chargeFullDesign);
    } else {
        Opt designV;
        for (const Opt& v : {s.voltageMaxDesign, s.voltageMinDesign, s.voltageNow})
            if (v && *v > kOneVolt) {
                designV = v;
                break;
            }
        b.nowMAh = energyToMAh(s.energyNow, designV);
        // Health is a ratio of energies and needs no voltage: without one, both capacities are
        // given at a common 3-cell pack's 11.1 V, which keeps full over design exact.
        const Opt ratioV = designV ? designV : Opt(kNominalMicroV);
        b.fullMAh = energyToMAh(s.energyFull, ratioV);
        b.designMAh = energyToMAh(s.energyFullDesign, ratioV);
    }
    if (s.voltageNow && *s.voltageNow > 0) b.voltageMV = microToMilli(s.voltageNow);

    std::optional<double> milliAmps;
    if (s.currentNow)
        milliAmps = std::abs(static_cast<double>(*s.currentNow)) / 1000.0;
    else if (s.powerNow && s.voltageNow && *s.voltageNow > 0)
        milliAmps = std::abs(static_cast<double>(*s.powerNow)) /
                    static_cast<double>(*s.voltageNow) * 1000.0;
    if (milliAmps) b.currentMA = roundHalfAway(*milliAmps);
    if (s.cycleCount && *s.cycleCount > 0) b.cycles = s.cycleCount;
    b.toEmptyNow = s.timeToEmptyNow;
    b.toEmptyAvg = s.timeToEmptyAvg;
    b.toFullNow = s.timeToFullNow;
    b.toFullAvg = s.timeToFullAvg;
    return b;
}

template <typename F>
Opt sumAll(const std::vector<Battery>& bs, F field) {
    std::int64_t total = 0;
    for (const auto& b : bs) {
        const Opt& v = field(b);
        if (!v) return std::nullopt;
        total += *v;
    }
    return total;
}

std::optional<std::string> combinedStatus(const std::vector<Battery>& bs) {
    auto any = [&](const char* s) {
        return std::any_of(bs.begin(), bs.end(), [&](const Battery& b) { return b.status == s; });
    };
    if (any("Charging")) return "Charging";
    if (any("Discharging")) return "Discharging";
    if (std::all_of(bs.begin(), bs.end(), [](const Battery& b) { return b.status == "Full"; }))
        return "Full";
    if (any("Not charging")) return "Not charging";
    for (const auto& b : bs)
        if (b.status) return b.status;
    return std::nullopt;
}

// The ACPI driver reports the rate as a magnitude: the direction comes from the status, and a
// pack whose status says neither (an idle second pack reads "Unknown") follows the machine's.
// A status that says neither (Full, Not charging) while the adapter is off means the pack is
// what runs the machine: firmware that has not caught up with an unplugging.
std::int64_t signedCurrent(const Battery& b, const std::optional<std::string>& machineStatus,
                           std::optional<bool> adapterOnline) {
    const auto& status =
        (b.status == "Charging" || b.status == "Discharging") ? b.status : machineStatus;
    const bool out = status == "Discharging" || (status != "Charging" && adapterOnline == false);
    return out ? -*b.currentMA : *b.currentMA;
}

Battery combine(const std::vector<Battery>& bs, std::optional<bool> adapterOnline) {
    if (bs.size() == 1) {
        Battery c = bs.front();
        if (c.currentMA) c.currentMA = signedCurrent(c, c.status, adapterOnline);
        return c;
    }
    Battery c;
    c.status = combinedStatus(bs);
    c.nowMAh = sumAll(bs, [](const Battery& b) -> const Opt& { return b.nowMAh; });
    c.fullMAh = sumAll(bs, [](const Battery& b) -> const Opt& { return b.fullMAh; });
    c.designMAh = sumAll(bs, [](const Battery& b) -> const Opt& { return b.designMAh; });
    if (c.nowMAh && c.fullMAh && *c.fullMAh > 0) {
        c.capacity =
            std::min<std::int64_t>(100, roundHalfAway(static_cast<double>(*c.nowMAh) /
                                                      static_cast<double>(*c.fullMAh) * 100.0));
    } else {
        std::int64_t sum = 0, n = 0;
        for (const auto& b : bs)
            if (b.capacity) sum += *b.capacity, ++n;
        if (n > 0) c.capacity = roundHalfAway(static_cast<double>(sum) / static_cast<double>(n));
    }
    std::int64_t vSum = 0, vN = 0, aSum = 0, aN = 0;
    for (const auto& b : bs) {
        if (b.voltageMV) vSum += *b.voltageMV, ++vN;
        if (b.currentMA) aSum += signedCurrent(b, c.status, adapterOnline), ++aN;
        if (b.cycles) c.cycles = std::max(c.cycles.value_or(0), *b.cycles);
    }
    if (vN > 0) c.voltageMV = roundHalfAway(static_cast<double>(vSum) / static_cast<double>(vN));
    if (aN > 0) c.currentMA = aSum;
    return c;
}

Opt minutes(Opt seconds) {
    if (!seconds || *seconds < 0) return std::nullopt;
    return roundHalfAway(static_cast<double>(*seconds) / 60.0);
}

void put(RegDict& d, const char* key, Opt v) {
    if (v) d[key] = RegValue::integer(*v);
}

}  // namespace

BatteryServiceSnapshot SysfsBatteryServices::copyBatteryServices() {
    const auto supplies = readPowerSupplies(root_);
    std::vector<Battery> batteries;
    std::vector<const PowerSupply*> external;
    for (const auto& s : supplies) {
        if (s.isSystemBattery()) batteries.push_back(toRegistryUnits(s));
        if (s.isExternalPower()) external.push_back(&s);
    }

    BatteryServiceSnapshot snapshot;
    snapshot.powerSources.emplace();
    if (!external.empty()) {
        snapshot.adapterOnline =
            std::any_of(external.begin(), external.end(),
                        [](const PowerSupply* s) { return s->online.value_or(0) >= 1; });
    }
    if (batteries.empty()) return snapshot;
    const Battery b = combine(batteries, snapshot.adapterOnline);

    std::optional<bool> externalConnected = snapshot.adapterOnline;
    if (!externalConnected && b.status) {
        externalConnected =
            *b.status == "Charging" || *b.status == "Full" || *b.status == "Not charging";
    }
    const bool charging = b.status == "Charging";

    RegDict entry;
    if (b.capacity) {
        put(entry, "CurrentCapacity", b.capacity);
        put(entry, "MaxCapacity", 100);
    }
    put(entry, "AppleRawCurrentCapacity", b.nowMAh);
    put(entry, "AppleRawMaxCapacity", b.fullMAh);
    put(entry, "DesignCapacity", b.designMAh);
    put(entry, "Voltage", b.voltageMV);
    put(entry, "Amperage", b.currentMA);
    put(entry, "InstantAmperage", b.currentMA);
    if (b.status) {
        entry["IsCharging"] = charging;
        // Some firmware keeps saying Full for a while after the adapter is pulled; a full
        // battery reads as resting on the adapter, so that needs the adapter not to be off.
        entry["FullyCharged"] = *b.status == "Full" && externalConnected != false;
    }
    if (externalConnected) entry["ExternalConnected"] = *externalConnected;
    put(entry, "CycleCount", b.cycles);
    put(entry, "TimeRemaining", minutes(charging ? b.toFullNow : b.toEmptyNow));
    put(entry, "AvgTimeToEmpty", minutes(b.toEmptyAvg));
    put(entry, "AvgTimeToFull", minutes(b.toFullAvg ? b.toFullAvg : b.toFullNow));

    RegDict gauge;
    put(gauge, "StateOfCharge", b.capacity);
    put(gauge, "CycleCount", b.cycles);
    put(gauge, "DesignCapacity", b.designMAh);
    put(gauge, "FccComp1", b.fullMAh);
    put(gauge, "Voltage", b.voltageMV);
    entry["BatteryData"] = std::move(gauge);

    for (const PowerSupply* s : external) {
        if (s->online.value_or(0) < 1 || !s->voltageMax || !s->currentMax) continue;
        const double watts =
            static_cast<double>(*s->voltageMax) * static_cast<double>(*s->currentMax) / 1e12;
        entry["AdapterDetails"] = RegDict{{"Watts", RegValue::real(watts)}};
        break;
    }

    RegDict source{{"Type", "InternalBattery"}, {"Name", "InternalBattery-0"}};
    if (b.capacity) {
        put(source, "Current Capacity", b.capacity);
        put(source, "Max Capacity", 100);
    } else if (b.nowMAh && b.fullMAh) {
        put(source, "Current Capacity", b.nowMAh);
        put(source, "Max Capacity", b.fullMAh);
    }
    if (b.status) source["Is Charging"] = charging;
    if (externalConnected)
        source["Power Source State"] = *externalConnected ? "AC Power" : "Battery Power";
    put(source, "Time to Empty", minutes(b.toEmptyNow ? b.toEmptyNow : b.toEmptyAvg));
    put(source, "Time to Full Charge", minutes(b.toFullNow ? b.toFullNow : b.toFullAvg));

    snapshot.smartBattery = std::move(entry);
    snapshot.powerSources->push_back(std::move(source));
    return snapshot;
}

}  // namespace tarvel
