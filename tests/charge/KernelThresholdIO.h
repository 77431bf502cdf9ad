#pragma once

#include <cerrno>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/SysfsAttributeIO.h"
#include "platform/linux/SysfsFile.h"

namespace tarvel::test {

// Plain files that answer threshold writes as a driver does: a start at or above the end, or an
// end at or below the start, is refused with EINVAL (as thinkpad_acpi and others do), and
// `keep` turns the asked end into the one the firmware keeps. Records every write in order.
class KernelThresholdIO final : public SysfsAttributeIO {
public:
    std::function<int(int)> keep = [](int asked) { return asked; };
    std::vector<std::pair<std::string, std::string>> writes;  // (attribute name, value)
    int refusals = 0;

    std::optional<std::string> read(const std::string& path) override { return posix().read(path); }

    int write(const std::string& path, const std::string& value) override {
        const std::string name = path.substr(path.rfind('/') + 1);
        writes.emplace_back(name, value);
        const std::string dir = path.substr(0, path.rfind('/'));
        const auto asked = parseSysfsInteger(value);
        if (name == "charge_control_start_threshold") {
            const auto end = readSysfsInteger(dir + "/charge_control_end_threshold");
            if (!asked || (end && *asked >= *end)) return refuse();
        } else if (name == "charge_control_end_threshold") {
            const auto start = readSysfsInteger(dir + "/charge_control_start_threshold");
            if (!asked || (start && *asked <= *start)) return refuse();
            return posix().write(path, std::to_string(keep(static_cast<int>(*asked))));
        }
        return posix().write(path, value);
    }

private:
    int refuse() {
        ++refusals;
        return EINVAL;
    }
};

}  // namespace tarvel::test
