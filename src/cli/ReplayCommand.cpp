#include <sstream>

#include "base/Format.h"
#include "base/JsonInput.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/BatteryJson.h"
#include "cli/Commands.h"
#include "cli/JsonSchema.h"
#include "cli/PublishedJson.h"
#include "cli/ReplayScript.h"
#include "telemetry/BatterySmoother.h"

namespace tarvel::cli {

namespace {

std::string textLine(double t, const BatteryState& s) {
    std::ostringstream line;
    line << "t=" << formatFixed(t, 1) << "  "
         << (s.levelKnown ? std::to_string(s.levelPercent) + " %" : std::string(kDash)) << "  "
         << printable(s.statusText) << "  |  " << printable(s.timeText) << "  |  "
         << formatFixed(s.chargeWatts, 2) << " W";
    if (s.remainingMinutes)
        line << "  |  " << *s.remainingMinutes << " min (" << printable(s.timeEstimateSource)
             << ")";
    return line.str();
}

}  // namespace

void replayScript(const std::string& text, const std::string& name, bool json, std::ostream& out) {
    std::istringstream script(text);
    BatterySmoother smoother;
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const std::string where = name + ":" + std::to_string(number) + ": ";
        if (!jsonNestingWithin(line))
            throw UsageError(where + "nested deeper than " + std::to_string(kMaxJsonNesting) +
                             " levels");
        const auto j = nlohmann::json::parse(line, nullptr, false);
        if (!j.is_object()) throw UsageError(where + "not a JSON object");
        if (!j.contains("t") || !j["t"].is_number())
            throw UsageError(where + "\"t\" must be a number of seconds");
        const double t = j["t"].get<double>();
        if (j.contains("transition")) {
            const auto& kind = j["transition"];
            if (kind == "sleep")
                smoother.notePowerTransition(false, t);
            else if (kind == "wake")
                smoother.notePowerTransition(true, t);
            else
                throw UsageError(where + "\"transition\" must be \"sleep\" or \"wake\"");
            continue;
        }
        if (!j.contains("snap")) throw UsageError(where + "needs \"snap\" or \"transition\"");
        try {
            smoother.apply(snapFromJson(j["snap"]), t);
        } catch (const UsageError& e) {
            throw UsageError(where + e.what());
        }
        if (json)
            out << withSchema(publishedBatteryJson(smoother.state())).dump() << "\n";
        else
            out << textLine(t, smoother.state()) << "\n";
    }
}

int runReplay(const Args& args, std::ostream& out) {
    if (args.positional().size() != 1) throw UsageError("replay needs exactly one script file");
    const std::string path = args.positional()[0];
    replayScript(readInputFile(path), path, args.has("json"), out);
    return 0;
}

}  // namespace tarvel::cli
