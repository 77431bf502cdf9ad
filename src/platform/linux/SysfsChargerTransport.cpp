#include "platform/linux/SysfsChargerTransport.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/SysfsFile.h"
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

SysfsChargerTransport::SysfsChargerTransport(std::string sysRoot, SysfsAttributeIO& io,
                                             std::string memoryPath)
    : root_(std::move(sysRoot)), io_(io), memoryPath_(std::move(memoryPath)) {}

void SysfsChargerTransport::loadMemory() {
    memory_.clear();
    if (memoryPath_.empty()) return;
    std::ifstream in(memoryPath_);
    for (std::string line; std::getline(in, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            memory_[line.substr(0, eq)] = line.substr(eq + 1);
}

void SysfsChargerTransport::saveMemory() {
    if (memoryPath_.empty()) return;
    // Written aside and renamed over: a crash mid-write must not lose the user's own start
    // threshold or charge type.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(memoryPath_).parent_path(), ignored);
    const std::string temp = memoryPath_ + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& [key, value] : memory_) out << key << '=' << value << '\n';
        out.flush();
        if (!out) return;
    }
    if (::rename(temp.c_str(), memoryPath_.c_str()) != 0) ::unlink(temp.c_str());
}

ChargerTransport::OpenResult SysfsChargerTransport::open() {
    batteries_.clear();
    loadMemory();
    bool anyBattery = false;
    for (const auto& supply : readPowerSupplies(root_)) {
        if (!supply.isSystemBattery()) continue;
        anyBattery = true;
        const std::string dir = root_ + "/class/power_supply/" + supply.name;
        Battery battery;
        battery.name = supply.name;
        battery.path = dir + "/charge_behaviour";
        battery.thresholds = ChargeThresholds::find(dir, io_);
        const auto text = io_.read(battery.path);
        const auto behaviour = text ? std::optional(parseChargeBehaviour(*text)) : std::nullopt;
        // Exact modes beat a threshold; a behaviour that cannot inhibit is of no use beside one.
        if (behaviour && (behaviour->accepts("inhibit-charge") || !battery.thresholds)) {
            battery.thresholds.reset();
            if (!behaviour->accepted.empty()) accepted_[battery.path] = behaviour->accepted;
        } else if (battery.thresholds) {
            battery.path = dir + "/charge_types";
            battery.chargeTypes = io_.read(battery.path).has_value();
            if (!battery.chargeTypes) battery.path = battery.thresholds->endPath();
            if (const auto it = memory_.find(battery.name + ".start"); it != memory_.end())
                battery.thresholds->setSavedStart(parseSysfsInteger(it->second));
        } else {
            continue;
        }
        batteries_.push_back(std::move(battery));
    }
    if (anyBattery && batteries_.empty()) findVendorSwitch();
    OpenResult r;
    r.serviceFound = !batteries_.empty();
    if (r.serviceFound) connection_ = r.connection = kConnection;
    return r;
}

void SysfsChargerTransport::findVendorSwitch() {
    struct Candidate {
        std::string path, driver;
        VendorSwitch vendor;
    };
    std::vector<Candidate> candidates;
    // ideapad_acpi binds to the VPC2004 ACPI device; the firmware's level depends on the model.
    const std::string platform = root_ + "/bus/platform/devices";
    if (DIR* dir = ::opendir(platform.c_str())) {
        while (dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name).rfind("VPC2004:", 0) == 0)
                candidates.push_back({platform + "/" + entry->d_name + "/conservation_mode",
                                      "ideapad_acpi", {{1}, std::nullopt}});
        ::closedir(dir);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    candidates.push_back({root_ + "/devices/platform/samsung/battery_life_extender",
                          "samsung-laptop", {{1}, 80}});
    candidates.push_back({root_ + "/devices/platform/sony-laptop/battery_care_limiter",
                          "sony-laptop", {{50, 80, 100}, std::nullopt}});
    for (auto& candidate : candidates) {
        if (!io_.read(candidate.path)) continue;
        Battery battery;
        battery.name = std::move(candidate.driver);
        battery.path = std::move(candidate.path);
        battery.vendor = std::move(candidate.vendor);
        batteries_.push_back(std::move(battery));
        return;
    }
}

int SysfsChargerTransport::vendorValue(const VendorSwitch& v) const {
    // The nearest level the driver takes at or below the limit.
    int value = v.levels.front();
    for (int level : v.levels)
        if (level <= holdLimit_) value = level;
    return value;
}

std::vector<std::string> SysfsChargerTransport::attributePaths() const {
    std::vector<std::string> paths;
    for (const auto& b : batteries_)
        paths.push_back(b.thresholds && !b.chargeTypes ? b.thresholds->endPath() : b.path);
    return paths;
}

std::string SysfsChargerTransport::detail() const {
    std::string text;
    for (const auto& b : batteries_) {
        if (!text.empty()) text += "; ";
        text += b.name + ": ";
        if (b.chargeTypes) text += "charge_types, ";
        text += b.thresholds ? b.thresholds->names() : b.attribute();
    }
    return text;
}

std::optional<std::string> SysfsChargerTransport::whyNoDischarge() const {
    for (const auto& b : batteries_) {
        if (b.byBehaviour()) {
            const auto it = accepted_.find(b.path);
            if (it == accepted_.end() || std::find(it->second.begin(), it->second.end(),
                                                   "force-discharge") != it->second.end())
                continue;
        }
        const std::string attribute = b.thresholds ? b.thresholds->names() : b.attribute();
        return "Discharging on the adapter is not offered here: " + b.name + "’s " + attribute +
               " can only stop charging.";
    }
    return std::nullopt;
}

std::optional<ChargerTransport::FirmwareLevel> SysfsChargerTransport::firmwareLevel() const {
    if (batteries_.size() != 1 || !batteries_.front().vendor) return std::nullopt;
    const VendorSwitch& v = *batteries_.front().vendor;
    if (v.levels.size() == 1) return FirmwareLevel{v.firmwarePercent, true};
    return FirmwareLevel{vendorValue(v), false};
}

std::string SysfsChargerTransport::stateText() {
    std::string text;
    for (const auto& b : batteries_) {
        std::string mine;
        if (b.chargeTypes) {
            const auto types = io_.read(b.path);
            const auto active = types ? parseChargeBehaviour(*types).active : std::nullopt;
            if (active != "Custom") mine = "charge_types " + active.value_or("unreadable");
        }
        if (mine.empty() && b.thresholds)
            mine = b.thresholds->stateText();
        else if (mine.empty())
            mine = b.attribute() + " " + io_.read(b.path).value_or("unreadable");
        if (!text.empty()) text += "; ";
        text += batteries_.size() > 1 ? b.name + " " + mine : mine;
    }
    return text;
}

std::optional<std::string> SysfsChargerTransport::behaviourFor(int ch0i, int ch0c, int ch0b) {
    if (ch0i == 0 && ch0c == 0 && ch0b == 0) return "auto";
    if (ch0i == 0 && ch0c == 2 && ch0b == 2) return "inhibit-charge";
    if (ch0i == 1 && ch0c == 0 && ch0b == 0) return "force-discharge";
    return std::nullopt;
}

SysfsChargerTransport::Result SysfsChargerTransport::refused(const std::string& path, int error) {
    const std::string where =
        path.substr(path.rfind('/', path.rfind('/') - 1) + 1);  // "BAT0/charge_behaviour"
    if (error == EACCES || error == EPERM)
        failureText_ = "Not privileged — writing " + where +
                       " was refused; join the tarvel group (udev rule 70-tarvel-charge.rules).";
    else
        failureText_ = "Writing " + where + " failed: " + std::strerror(error) + ".";
    return resultOf(error);
}

SysfsChargerTransport::Result SysfsChargerTransport::writeBehaviour(const std::string& value) {
    for (auto& battery : batteries_) {
        Result r;
        if (battery.vendor) {
            r = writeVendor(battery, value);
        } else if (battery.chargeTypes) {
            r = writeChargeTypes(battery, value);
        } else if (battery.thresholds) {
            r = applyThresholds(battery, value);
        } else {
            r = writeBehaviourAt(battery.path, value);
        }
        if (r.status != kIOReturnSuccess || r.smcResult != kSMCSuccess) return r;
    }
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::applyThresholds(Battery& battery,
                                                                     const std::string& value) {
    ChargeThresholds& thresholds = *battery.thresholds;
    const auto before = thresholds.savedStart();
    const auto outcome = thresholds.apply(value, holdLimit_);
    if (const auto saved = thresholds.savedStart(); saved != before) {
        if (saved)
            memory_[battery.name + ".start"] = std::to_string(*saved);
        else
            memory_.erase(battery.name + ".start");
        saveMemory();
    }
    if (outcome.error) return refused(thresholds.endPath(), outcome.error);
    if (outcome.differs) {
        failureText_ = *outcome.differs;
        return {kIOReturnSuccess, kSMCBadArgument};
    }
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::writeChargeTypes(Battery& battery,
                                                                      const std::string& value) {
    const auto text = io_.read(battery.path);
    if (!text) return {kIOReturnNoDevice, kSMCSuccess};
    const auto active = parseChargeBehaviour(*text).active;
    const std::string key = battery.name + ".type";
    // The thresholds act only in Custom: select it for inhibit, and put back the user's own
    // type for auto.
    if (value == "inhibit-charge" && active && *active != "Custom" && !memory_.count(key)) {
        memory_[key] = *active;
        saveMemory();
    }
    if (const Result r = applyThresholds(battery, value);
        r.status != kIOReturnSuccess || r.smcResult != kSMCSuccess)
        return r;
    std::string type = "Custom";
    if (value == "auto") {
        const auto it = memory_.find(key);
        if (it == memory_.end()) return {};
        type = it->second;
    }
    if (active != type)
        if (const int error = io_.write(battery.path, type)) return refused(battery.path, error);
    if (value == "auto" && memory_.erase(key)) saveMemory();
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::writeVendor(const Battery& battery,
                                                                 const std::string& value) {
    if (value != "auto" && value != "inhibit-charge") return {kIOReturnSuccess, kSMCBadArgument};
    const int wanted = value == "auto" ? 0 : vendorValue(*battery.vendor);
    if (const int error = io_.write(battery.path, std::to_string(wanted)))
        return refused(battery.path, error);
    const auto text = io_.read(battery.path);
    const auto kept = text ? parseSysfsInteger(*text) : std::nullopt;
    if (kept != wanted) {
        failureText_ = battery.attribute() + " reads " + text.value_or("nothing") +
                       " after writing " + std::to_string(wanted);
        return {kIOReturnSuccess, kSMCBadArgument};
    }
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::writeBehaviourAt(const std::string& path,
                                                                      const std::string& value) {
    const auto current = io_.read(path);
    if (!current) return refused(path, ENODEV);  // the battery went away
    ChargeBehaviour behaviour = parseChargeBehaviour(*current);
    if (behaviour.accepted.empty()) {
        if (auto it = accepted_.find(path); it != accepted_.end()) behaviour.accepted = it->second;
    } else {
        accepted_[path] = behaviour.accepted;
    }
    if (!behaviour.accepts(value)) {
        failureText_ =
            path.substr(path.rfind('/', path.rfind('/') - 1) + 1) + " offers no " + value + ".";
        return {kIOReturnSuccess, kSMCBadArgument};
    }
    if (const int error = io_.write(path, value)) return refused(path, error);
    return {};
}

std::optional<std::string> SysfsChargerTransport::modeOf(const Battery& battery) {
    if (battery.vendor) {
        const auto text = io_.read(battery.path);
        const auto value = text ? parseSysfsInteger(*text) : std::nullopt;
        if (!value) return std::nullopt;
        if (*value == 0) return "auto";
        return *value == vendorValue(*battery.vendor) ? "inhibit-charge" : "";
    }
    if (battery.chargeTypes) {
        const auto text = io_.read(battery.path);
        if (!text) return std::nullopt;
        if (parseChargeBehaviour(*text).active != "Custom") return "auto";
    }
    if (battery.thresholds) return battery.thresholds->mode(holdLimit_);
    const auto text = io_.read(battery.path);
    if (!text) return std::nullopt;
    return parseChargeBehaviour(*text).active.value_or("");
}

SysfsChargerTransport::Result SysfsChargerTransport::readKey(std::uint32_t key,
                                                             std::uint8_t& value) {
    std::optional<std::string> active;
    for (const auto& battery : batteries_) {
        const std::optional<std::string> mine = modeOf(battery);
        if (!mine) return {kIOReturnNoDevice, kSMCSuccess};
        if (mine->empty() || (active && *active != *mine))
            return {kIOReturnSuccess, kSMCBadArgument};
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
