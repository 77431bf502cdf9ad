#pragma once

#include <optional>

namespace tarvel {

// Load and processor topology.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The one-minute load average; absent when it cannot be read.
    virtual std::optional<double> loadAverage1() = 0;
    virtual std::optional<int> logicalCpuCount() = 0;
    // Logical CPUs of the performance and efficiency levels of a hybrid processor.
    virtual std::optional<int> performanceCpuCount() = 0;
    virtual std::optional<int> efficiencyCpuCount() = 0;
};

}  // namespace tarvel
