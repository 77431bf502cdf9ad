#pragma once

#include <string>

#include "platform/SystemInfo.h"

namespace tarvel {

// /proc/loadavg, the online CPU list and the hybrid-CPU core lists of Intel's performance
// ("cpu_core") and efficiency ("cpu_atom") PMUs.
class LinuxSystemInfo final : public SystemInfo {
public:
    explicit LinuxSystemInfo(std::string sysRoot = "/sys", std::string procRoot = "/proc")
        : sys_(std::move(sysRoot)), proc_(std::move(procRoot)) {}

    std::optional<double> loadAverage1() override;
    std::optional<int> logicalCpuCount() override;
    std::optional<int> performanceCpuCount() override;
    std::optional<int> efficiencyCpuCount() override;

private:
    std::string sys_, proc_;
};

}  // namespace tarvel
