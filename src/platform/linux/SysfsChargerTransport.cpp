#include "platform/linux/SysfsChargerTransport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "platform/linux/SysfsFile.h"
#include "platform/linux/SysfsPowerSupply.h"

namespace tarvel {

namespace {

class PosixAttributeIO final : public SysfsAttributeIO {
public:
    std::optional<std::string> read(const std::string& path) override {
        return readSysfsText(path);
    }

    int write(const std::string& path, const std::string& value) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return errno;
        int error = 0;
        const ssize_t put = ::write(fd, value.data(), value.size());
        if (put < 0)
            error = errno;
        else if (static_cast<size_t>(put) != value.size())
            error = EIO;  // sysfs takes a store in one piece or not at all
        if (::close(fd) != 0 && error == 0) error = errno;
        return error;
    }
};

constexpr std::uint32_t kCH0I = smcKeyValue("CH0I");
constexpr std::uint32_t kCH0C = smcKeyValue("CH0C");
constexpr std::uint32_t kCH0B = smcKeyValue("CH0B");
constexpr std::uint32_t kConnection = 1;

}  // namespace

SysfsAttributeIO& SysfsAttributeIO::posix() {
    static PosixAttributeIO io;
    return io;
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
    paths_.clear();
    for (const auto& supply : readPowerSupplies(root_)) {
        if (!supply.isSystemBattery()) continue;
        const std::string path = root_ + "/class/power_supply/" + supply.name + "/charge_behaviour";
        const auto text = io_.read(path);
        if (!text) continue;
        paths_.push_back(path);
        if (auto listed = parseChargeBehaviour(*text).accepted; !listed.empty())
            accepted_[path] = std::move(listed);
    }
    OpenResult r;
    r.serviceFound = !paths_.empty();
    if (r.serviceFound) connection_ = r.connection = kConnection;
    return r;
}

std::optional<std::string> SysfsChargerTransport::behaviourFor(int ch0i, int ch0c, int ch0b) {
    if (ch0i == 0 && ch0c == 0 && ch0b == 0) return "auto";
    if (ch0i == 0 && ch0c == 2 && ch0b == 2) return "inhibit-charge";
    if (ch0i == 1 && ch0c == 0 && ch0b == 0) return "force-discharge";
    return std::nullopt;
}

SysfsChargerTransport::Result SysfsChargerTransport::writeBehaviour(const std::string& value) {
    for (const auto& path : paths_) {
        const auto current = io_.read(path);
        if (!current) return {kIOReturnNoDevice, kSMCSuccess};  // the battery went away
        ChargeBehaviour behaviour = parseChargeBehaviour(*current);
        if (behaviour.accepted.empty()) {
            if (auto it = accepted_.find(path); it != accepted_.end())
                behaviour.accepted = it->second;
        } else {
            accepted_[path] = behaviour.accepted;
        }
        if (!behaviour.accepts(value)) return {kIOReturnSuccess, kSMCBadArgument};
        switch (io_.write(path, value)) {
            case 0:
                break;
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
    return {};
}

SysfsChargerTransport::Result SysfsChargerTransport::readKey(std::uint32_t key,
                                                             std::uint8_t& value) {
    std::optional<std::string> active;
    for (const auto& path : paths_) {
        const auto text = io_.read(path);
        if (!text) return {kIOReturnNoDevice, kSMCSuccess};
        const auto mine = parseChargeBehaviour(*text).active;
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
