#include "platform/linux/LinuxSystemInfo.h"

#include <cmath>
#include <cstdlib>

#include "platform/linux/SysfsFile.h"

namespace tarvel {

std::optional<double> LinuxSystemInfo::loadAverage1() {
    const auto text = readSysfsText(proc_ + "/loadavg");
    if (!text || text->empty()) return std::nullopt;
    char* end = nullptr;
    const double load = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || !std::isfinite(load) || load < 0) return std::nullopt;
    return load;
}

std::optional<int> LinuxSystemInfo::logicalCpuCount() {
    const auto list = readSysfsText(sys_ + "/devices/system/cpu/online");
    return list ? countCpuList(*list) : std::nullopt;
}

std::optional<int> LinuxSystemInfo::performanceCpuCount() {
    const auto list = readSysfsText(sys_ + "/devices/cpu_core/cpus");
    return list ? countCpuList(*list) : std::nullopt;
}

std::optional<int> LinuxSystemInfo::efficiencyCpuCount() {
    const auto list = readSysfsText(sys_ + "/devices/cpu_atom/cpus");
    return list ? countCpuList(*list) : std::nullopt;
}

}  // namespace tarvel
