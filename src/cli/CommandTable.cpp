#include "cli/CommandTable.h"

namespace tarvel::cli {

namespace {

const OptionSpec kJson{"json", "", "print one JSON document instead of text"};
const OptionSpec kSysfsRoot{"sysfs-root", "DIR", "read DIR in place of /sys"};
const OptionSpec kPowercapRoot{"powercap-root", "DIR",
                               "read DIR in place of /sys/class/powercap\n"
                               "(default: class/powercap under --sysfs-root)"};
const OptionSpec kProcRoot{"proc-root", "DIR", "read DIR in place of /proc"};
const OptionSpec kLog{"log", "FILE",
                      "the drain history to read\n"
                      "(default: $XDG_DATA_HOME/Tarvel/drain.jsonl)"};
const OptionSpec kNoLog{"no-log", "", "leave the drain history alone"};

std::vector<CommandSpec> buildTable() {
    return {
        {"snapshot",
         {},
         {{"snapshot [--json] [--sysfs-root DIR] [--registry FILE] [--power-sources FILE]\n"
           "[--ioreg-text FILE] [--pmset-text FILE] [--no-cross-check]",
           "read every battery source once and print the merged snapshot"}},
         {kJson,
          kSysfsRoot,
          {"registry", "FILE", "a JSON object standing in for the battery entry"},
          {"power-sources", "FILE", "a JSON array of power-source descriptions"},
          {"ioreg-text", "FILE", "the battery tool's output, from a file"},
          {"pmset-text", "FILE", "the power tool's output, from a file"},
          {"no-cross-check", "", "skip the two tools"}}},
        {"replay",
         {},
         {{"replay FILE [--json]",
           "feed a JSON-lines script of snapshots through the battery smoothing"}},
         {{"json", "", "print one JSON object a line instead of text"}}},
        {"status",
         {},
         {{"status [--json] [--sysfs-root DIR] [--powercap-root DIR]",
           "run the power store for two polls and print the published power state"}},
         {kJson, kSysfsRoot, kPowercapRoot}},
        {"watch",
         {},
         {{"watch [--json] [--no-log] [--sysfs-root DIR] [--powercap-root DIR]",
           "keep polling until interrupted, printing a line whenever a shown value changes;\n"
           "keeps the drain history and fast-drain alerts while the application is not running"},
          {"watch --waybar [--no-log] [--sysfs-root DIR] [--powercap-root DIR]",
           "the same, printing the status item as waybar custom-module JSON, one object a line"},
          {"watch --textfile FILE", "keep FILE current for node_exporter's textfile collector"}},
         {{"json", "", "print one JSON object a line instead of text"},
          {"waybar", "", "print waybar custom-module JSON, one object a line"},
          {"textfile", "FILE", "keep FILE current in the Prometheus text format"},
          kNoLog,
          kSysfsRoot,
          kPowercapRoot}},
        {"charge",
         {"apply", "set-mode", "hold"},
         {{"charge [--json] [--sysfs-root DIR]",
           "show what the charge limit would do now, the charger's mode and the battery "
           "attribute in use (writes nothing)"},
          {"charge apply [--json] [--sysfs-root DIR]",
           "evaluate the charge limit once and write the charger mode it wants"},
          {"charge set-mode auto|inhibit|force-discharge [--sysfs-root DIR]",
           "write one charger mode (force-discharge only where charge_behaviour offers it)"},
          {"charge hold [--limit N] [--sysfs-root DIR]",
           "hold the charge limit in the foreground until interrupted"}},
         {kJson, kSysfsRoot, {"limit", "N", "hold N percent instead of the saved limit (hold)"}}},
        {"why",
         {},
         {{"why [--json] [--log FILE] [--now ISO-8601]",
           "explain the battery drop over the hour before now from the drain history"}},
         {kJson, kLog, {"now", "ISO-8601", "the end of the hour (default: now)"}}},
        {"top",
         {},
         {{"top [--json] [--proc-root DIR] [--second-proc-root DIR] [--sysfs-root DIR]\n"
           "[--powercap-root DIR] [--watts W] [--interval SECONDS] [--fast]",
           "sample processes twice and print the estimated watts and GPU time of the busiest"}},
         {kJson,
          kProcRoot,
          {"second-proc-root", "DIR", "read DIR in place of /proc at the second sample (replays)"},
          kSysfsRoot,
          kPowercapRoot,
          {"watts", "W", "split W watts instead of the measured power"},
          {"interval", "SECONDS", "the time between the two samples (1 to 3600, default 2)"},
          {"fast", "", "list 8 processes, with their paths"}}},
        {"history",
         {"clear"},
         {{"history [--csv|--json] [--log FILE] [--since ISO-8601] [--now ISO-8601]",
           "export the drain history (CSV by default)"},
          {"history clear", "delete the drain history, whichever Tarvel process writes it"}},
         {{"csv", "", "print CSV (the default)"},
          {"json", "", "print one JSON array"},
          kLog,
          {"since", "ISO-8601", "keep the records from this time on"},
          {"now", "ISO-8601", "the time the retention counts back from (default: now)"}}},
        {"icon",
         {},
         {{"icon [--mode percent|watts] [--png FILE] [--scale S] [--tray SIZE] [--sysfs-root DIR]\n"
           "[--level N] [--charging] [--on-ac] [--no-battery] [--watts W] [--minutes M]\n"
           "[--low-power]",
           "draw the status item for this machine, or for the battery state given, and print\n"
           "its text, symbol, tint and size; --png writes the image (--tray: the square tray\n"
           "icon of SIZE pixels)"}},
         {{"mode", "percent|watts", "the display mode (default: the saved one)"},
          {"png", "FILE", "write the image to FILE"},
          {"scale", "S", "device pixels per pixel, 0.5 to 8 (default 1)"},
          {"tray", "SIZE", "draw the square tray icon of SIZE pixels (16 to 256)"},
          kSysfsRoot,
          {"level", "N", "the battery level, 0 to 100 (default 100)"},
          {"charging", "", "the battery is charging"},
          {"on-ac", "", "the adapter is connected"},
          {"no-battery", "", "there is no battery"},
          {"watts", "W", "the package power"},
          {"minutes", "M", "the remaining minutes"},
          {"low-power", "", "Low Power Mode is on"}}},
        {"metrics",
         {},
         {{"metrics [--sysfs-root DIR] [--powercap-root DIR] [--proc-root DIR] [--log FILE]",
           "print the current state in the Prometheus text format"}},
         {kSysfsRoot, kPowercapRoot, kProcRoot, kLog}},
        {"update",
         {"check"},
         {{"update check [--manifest-url URL] [--json]",
           "print what the update check would offer"}},
         {{"manifest-url", "URL", "read the update manifest from URL"}, kJson}},
    };
}

}  // namespace

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table = buildTable();
    return table;
}

const CommandSpec* findCommand(const std::string& name) {
    for (const auto& command : commandTable())
        if (command.name == name) return &command;
    return nullptr;
}

}  // namespace tarvel::cli
