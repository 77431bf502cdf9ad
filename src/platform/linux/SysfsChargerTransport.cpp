#include "platform/linux/SysfsChargerTransport.h"

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "platform/linux/SysfsPowerSupply.h"

namespace tarvel {

namespace {

constexpr std::uint32_t kCH0I = smcKeyValue("CH0I");
constexpr std::uint32_t kCH0C = smcKeyValue("CH0C");
constexpr std::uint32_t kCH0B = smcKeyValue("CH0B");
constexpr std::uint32_t kConnection = 1;

}  // namespace

// The charger result of a refused attribute write.
SysfsChargerTransport::Result SysfsChargerTransport::resultOf(int error) {
    switch (error) {
        case 0:
            return {};
        case EACCES:
        case EPERM:
            return {kIOReturnNotPrivileged, kSMCSuccess};
        case EINVAL:
        case EOPNOTSUPP:
            return {kIOReturnSuccess, kSMCBadArgument};
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {kIOReturnNoDevice, kSMCSuccess};
        default:
            return {kIOReturnError, kSMCSuccess};
    }
}

bool ChargeBehaviour::accepts(const std::string& value) const {
    // An old kernel does not say what it takes; the write itself will tell.
    if (accepted.empty()) return true;
    return std::find(accepted.begin(), accepted.end(), value) != accepted.end();
}

ChargeBehaviour parseChargeBehaviour(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);

    ChargeBehaviour b;
    bool listed = tokens.size() > 1;
    for (auto& t : tokens) {
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            t = t.substr(1, t.size() - 2);
            b.active = t;
            listed = true;
        }
    }
    if (listed)
        b.accepted = tokens;
    else if (tokens.size() == 1)
        b.active = tokens.front();
    return b;
}

SysfsChargerTransport::SysfsChargerTransport(std::string sysRoot, SysfsAttributeIO& io)
    : root_(std::move(sysRoot)), io_(io) {}

ChargerTransport::OpenResult SysfsChargerTransport::open() {
    batteries_.clear();
    for (const auto& supply : readPowerSupplies(root_)) {
        if (!supply.isSystemBattery()) continue;
        const std::string dir = root_ + "/class/power_supply/" + supply.name;
        Battery battery{supply.name, dir + "/charge_behaviour", ChargeThresholds::find(dir, io_)};
        const auto text = io_.read(battery.behaviourPath);
        const auto behaviour = text ? std::optional(parseChargeBehaviour(*text)) : std::nullopt;
        // Exact modes beat a threshold; a behaviour that cannot inhibit is of no use beside one.
        if (behaviour && (behaviour->accepts("inhibit-charge") || !battery.thresholds)) {
            battery.thresholds.reset();
            if (!behaviour->accepted.empty())
                accepted_[battery.behaviourPath] = behaviour->accepted;
        } else if (battery.thresholds) {
            battery.behaviourPath.clear();
        } else {
            continue;
        }
        batteries_.push_back(std::move(battery));
    }
    OpenResult r;
    r.serviceFound = !batteries_.empty();
    if (r.serviceFound) connection_ = r.connection = kConnection;
    return r;
}

std::vector<std::string> SysfsChargerTransport::attributePaths() const {
    std::vector<std::string> paths;
    for (const auto& b : batteries_)
        paths.push_back(b.thresholds ? b.thresholds->endPath() : b.behaviourPath);
    return paths;
}

std::string SysfsChargerTransport::detail() const {
    std::string text;
    for (const auto& b : batteries_) {
        if (!text.empty()) text += "; ";
        text += b.name + ": ";
        if (!b.thresholds)
            text += "charge_behaviour";
        else if (b.thresholds->hasStart())
            text += "charge_control_start_threshold, charge_control_end_threshold";
        else
            text += "charge_control_end_threshold";
    }
    return text;
}

std::optional<std::string> SysfsChargerTransport::behaviourFor(int ch0i, int ch0c, int ch0b) {
    if (ch0i == 0 && ch0c == 0 && ch0b == 0) return "auto";
    if (ch0i == 0 && ch0c == 2 && ch0b == 2) return "inhibit-charge";
    if (ch0i == 1 && ch0c == 0 && ch0b == 0) return "force-discharge";
    return std::nullopt;
}

SysfsChargerTransport::Result SysfsChargerTransport::writeBehaviour(const std::string& value) {
    for (auto& battery : batteries_) {
        if (!battery.thresholds) {
            if (const Result r = writeBehaviourAt(battery.behaviourPath, value);
                r.status != kIOReturnSuccess || r.smcResult != kSMCSuccess)
                return r;
            continue;
        }
        const auto outcome = battery.thresholds->apply(value, holdLimit_);
        if (outcome.error) return resultOf(outcome.error);
        if (outcome.differs) {
            failureText_ = outcome.differs;
            return {kIOReturnSuccess, kSMCBadArgument};
        }
    }
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::writeBehaviourAt(const std::string& path,
                                                                      const std::string& value) {
    const auto current = io_.read(path);
    if (!current) return {kIOReturnNoDevice, kSMCSuccess};  // the battery went away
    ChargeBehaviour behaviour = parseChargeBehaviour(*current);
    if (behaviour.accepted.empty()) {
        if (auto it = accepted_.find(path); it != accepted_.end()) behaviour.accepted = it->second;
    } else {
        accepted_[path] = behaviour.accepted;
    }
    if (!behaviour.accepts(value)) return {kIOReturnSuccess, kSMCBadArgument};
    return resultOf(io_.write(path, value));
}

SysfsChargerTransport::Result SysfsChargerTransport::readKey(std::uint32_t key,
                                                             std::uint8_t& value) {
    std::optional<std::string> active;
    for (const auto& battery : batteries_) {
        std::optional<std::string> mine;
        if (battery.thresholds) {
            mine = battery.thresholds->mode(holdLimit_);
            if (!mine) return {kIOReturnNoDevice, kSMCSuccess};
        } else {
            const auto text = io_.read(battery.behaviourPath);
            if (!text) return {kIOReturnNoDevice, kSMCSuccess};
            mine = parseChargeBehaviour(*text).active;
        }
        if (!mine || (active && *active != *mine)) return {kIOReturnSuccess, kSMCBadArgument};
        active = mine;
    }
    int ch0i = 0, ch0c = 0, ch0b = 0;
    if (active == "inhibit-charge")
        ch0c = ch0b = 2;
    else if (active == "force-discharge")
        ch0i = 1;
    else if (active != "auto")
        return {kIOReturnSuccess, kSMCBadArgument};
    if (key == kCH0I)
        value = std::uint8_t(ch0i);
    else if (key == kCH0C)
        value = std::uint8_t(ch0c);
    else if (key == kCH0B)
        value = std::uint8_t(ch0b);
    else
        return {kIOReturnSuccess, kSMCKeyNotFound};
    return {};
}

std::int32_t SysfsChargerTransport::callStructMethod(std::uint32_t connection,
                                                     std::uint32_t selector,
                                                     const SmcParamBlock& input,
                                                     SmcParamBlock& output) {
    output = SmcParamBlock{};
    failureText_.reset();
    if (connection == 0 || connection != connection_) return kIOReturnBadArgument;
    const std::uint8_t command = input.bytes[SmcParamBlock::kCommand];
    if (selector != kSMCHandleYPCEvent || (command != kSMCWriteKey && command != kSMCReadKey) ||
        input.u32(SmcParamBlock::kDataSize) != 1)
        return kIOReturnBadArgument;

    const std::uint32_t key = input.u32(SmcParamBlock::kKey);
    const int value = input.bytes[SmcParamBlock::kBytes];
    output.setU32(SmcParamBlock::kKey, key);

    Result r;
    if (command == kSMCReadKey) {
        std::uint8_t read = 0;
        r = readKey(key, read);
        output.setU32(SmcParamBlock::kDataSize, 1);
        output.bytes[SmcParamBlock::kBytes] = read;
    } else if (key == kCH0I) {
        ch0i_ = value;
    } else if (key == kCH0C) {
        ch0c_ = value;
    } else if (key == kCH0B) {
        const auto behaviour = behaviourFor(ch0i_, ch0c_, value);
        ch0i_ = ch0c_ = -1;
        r = behaviour ? writeBehaviour(*behaviour) : Result{kIOReturnSuccess, kSMCBadArgument};
    } else {
        r.smcResult = kSMCKeyNotFound;
    }
    output.bytes[SmcParamBlock::kResult] = r.smcResult;
    return r.status;
}

}  // namespace tarvel
