#include <memory>

#include "app/AppCore.h"
#include "base/Format.h"
#include "base/JsonInput.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/BatteryJson.h"
#include "cli/Commands.h"
#include "cli/JsonSchema.h"
#include "cli/MachineOptions.h"
#include "platform/RegistryJson.h"
#include "telemetry/BatteryAssembly.h"
#include "telemetry/CommandLineReaders.h"

namespace tarvel::cli {

namespace {

nlohmann::json parseJsonFile(const std::string& path) {
    const std::string text = readInputFile(path);
    if (!jsonNestingWithin(text))
        throw UsageError(path + " is nested deeper than " + std::to_string(kMaxJsonNesting) +
                         " levels");
    auto j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded()) throw UsageError(path + " is not valid JSON");
    return j;
}

// The machine's battery services, unless files stand in for them.
std::unique_ptr<BatteryServices> givenServices(const Args& args) {
    if (!args.has("registry") && !args.has("power-sources")) return nullptr;
    BatteryServiceSnapshot snapshot;
    if (args.has("registry")) {
        const auto j = parseJsonFile(args.value("registry"));
        if (!j.is_object()) throw UsageError("--registry expects a JSON object");
        snapshot.smartBattery = *regValueFromJson(j)->dict();
    }
    if (args.has("power-sources")) {
        const auto j = parseJsonFile(args.value("power-sources"));
        if (!j.is_array()) throw UsageError("--power-sources expects a JSON array");
        snapshot.powerSources.emplace();
        for (const auto& item : j) {
            auto v = regValueFromJson(item);
            if (v && v->dict())
                snapshot.powerSources->push_back(*v->dict());
            else
                snapshot.powerSources->push_back(std::nullopt);
        }
    }
    return std::make_unique<FixedBatteryServices>(std::move(snapshot));
}

std::string orDash(const std::optional<std::int64_t>& v, const char* unit = "") {
    return v ? std::to_string(*v) + unit : "—";
}

void printText(const BatSnap& s, std::ostream& out) {
    if (!s.present) {
        out << "Battery: none" << (s.onAC ? " (on AC power)" : "") << "\n";
    } else {
        out << "Battery: " << (s.levelKnown ? std::to_string(s.level) + " %" : "level unknown")
            << ", " << (s.charging ? "charging" : "not charging") << ", "
            << (s.onAC ? "on AC power" : "on battery") << "\n";
        out << "Power: " << formatFixed(s.chargeW, 2) << " W";
        if (s.adapterW > 0) out << " (adapter " << formatFixed(s.adapterW, 0) << " W)";
        out << "\n";
        out << "Time: " << orDash(s.minutes, " min")
            << (s.minutes ? (s.minutesIsLiveEstimate ? " (live estimate)" : " (reported)") : "")
            << "\n";
        out << "Capacity: " << orDash(s.rawCurrent) << " / " << orDash(s.rawMax) << " mAh, design "
            << orDash(s.design, " mAh") << ", health " << orDash(s.health, " %") << ", cycles "
            << orDash(s.cycles) << "\n";
        out << "Current: " << orDash(s.amperageMA, " mA") << ", voltage "
            << orDash(s.voltageMV, " mV") << "\n";
    }
    out << "Sources: " << (s.sourcesLabel.empty() ? "—" : printable(s.sourcesLabel)) << "\n";
}

}  // namespace

int runSnapshot(const Args& args, std::ostream& out) {
    if (!args.positional().empty())
        throw UsageError("snapshot takes no arguments: " + args.positional()[0]);
    const auto core = AppCore::forMachine(machineRootsFrom(args));
    const auto given = givenServices(args);
    BatteryServices& services = given ? *given : core->platform().batteryServices();
    // The system's tools, except those whose output was given as a file.
    CannedCommandRunner runner(&core->platform().commandRunner());
    if (args.has("ioreg-text"))
        runner.setOutput(kIoregPath, readInputFile(args.value("ioreg-text")));
    if (args.has("pmset-text"))
        runner.setOutput(kPmsetPath, readInputFile(args.value("pmset-text")));

    const auto polled = collectBatteryReadings(!args.has("no-cross-check"), services, runner);
    const BatSnap snap = mergeBatteryReadings(polled);
    if (args.has("json")) {
        nlohmann::json j = toJson(snap);
        nlohmann::json byName = nlohmann::json::object();
        for (const auto& r : polled.readings) {
            nlohmann::json rj = toJson(r);
            rj.erase("name");
            byName[r.name] = std::move(rj);
        }
        j["readings"] = std::move(byName);
        out << withSchema(j).dump(2) << "\n";
    } else {
        printText(snap, out);
    }
    return 0;
}

}  // namespace tarvel::cli
