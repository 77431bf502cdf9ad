// A FIFO where the kernel keeps a regular file must not hang a command: each one returns,
// naming the file it refused, and watch still stops on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>

#include "drain/ProcFixture.h"
#include "support/PowerSupplyFixtures.h"

using namespace tarvel::test;

namespace {

// Puts a FIFO at root/relativePath in place of whatever the fixture wrote there.
std::string fifoAt(const std::string& root, const std::string& relativePath) {
    const std::string path = root + "/" + relativePath;
    ::unlink(path.c_str());
    EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
    return path;
}

// A powercap package zone whose counters a status or watch would read.
void addPackageZone(const FixtureTree& t) {
    t.writeAll("powercap/intel-rapl:0", {{"name", "package-0\n"},
                                         {"max_energy_range_uj", "262143328850\n"},
                                         {"energy_uj", "1000000000\n"}});
}

}  // namespace

TEST(NonRegularFiles, EveryCommandReturnsAndNamesTheFileItRefused) {
    FixtureTree sys;
    dischargingEnergyLaptop(sys);
    sys.write("class/power_supply/BAT1/charge_behaviour", "[auto] inhibit-charge\n");
    addPackageZone(sys);
    const std::string& sysRoot = sys.root();
    ProcFixture proc;
    proc.setCpu(10, 5.0, "idle");
    proc.setCpu(11, 1.0, "stuck");

    struct Case {
        const char* what;
        std::string fifo;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{
        {"snapshot, battery attribute",
         fifoAt(sysRoot, "class/power_supply/BAT1/capacity"),
         {"snapshot", "--json", "--sysfs-root", sysRoot}},
        {"charge, charger attribute",
         fifoAt(sysRoot, "class/power_supply/BAT1/charge_behaviour"),
         {"charge", "--sysfs-root", sysRoot}},
        {"status, energy counter",
         fifoAt(sysRoot, "powercap/intel-rapl:0/energy_uj"),
         {"status", "--sysfs-root", sysRoot, "--powercap-root", sysRoot + "/powercap"}},
        {"top, process times",
         fifoAt(proc.root(), "11/stat"),
         {"top", "--proc-root", proc.root(), "--watts", "10", "--interval", "1"}},
    };
    // Settings and data of its own; a hang shows as status -1.
    const std::map<std::string, std::string> home{{"XDG_CONFIG_HOME", sysRoot + "/config"},
                                                  {"XDG_DATA_HOME", sysRoot + "/data"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = runTarvelctl(c.args, home);
        EXPECT_GE(r.status, 0);
        EXPECT_NE(r.err.find(c.fifo + " is not a regular file"), std::string::npos) << r.err;
    }
}

// The FIFO appears once watch runs (its stop handling is in place), as a file replaced while
// the machine runs would.
TEST(NonRegularFiles, WatchStopsOnSigtermAfterAnAttributeTurnsIntoAFifo) {
    struct Case {
        const char* what;
        const char* fifo;
        QStringList extra;
    };
    const std::vector<Case> cases{
        {"battery attribute", "class/power_supply/BAT1/capacity", {}},
        {"energy counter", "powercap/intel-rapl:0/energy_uj", {"--no-log"}},
        {"waybar, battery attribute", "class/power_supply/BAT1/status", {"--waybar"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureTree sys;
        dischargingEnergyLaptop(sys);
        addPackageZone(sys);
        const QString sysRoot = QString::fromStdString(sys.root());
        QProcess watch;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", sysRoot + "/config");  // settings and data of its own
        env.insert("XDG_DATA_HOME", sysRoot + "/data");
        watch.setProcessEnvironment(env);
        watch.start(TARVELCTL_PATH, QStringList{"watch", "--sysfs-root", sysRoot, "--powercap-root",
                                                sysRoot + "/powercap"} +
                                        c.extra);
        ASSERT_TRUE(watch.waitForReadyRead(10000));
        const std::string fifo = fifoAt(sys.root(), c.fifo);
        // A later poll reaches the FIFO and says so.
        std::string said;
        watch.setReadChannel(QProcess::StandardError);
        const std::string notice = fifo + " is not a regular file";
        for (int i = 0; i < 20 && said.find(notice) == std::string::npos; ++i) {
            watch.waitForReadyRead(1000);
            said += watch.readAllStandardError().toStdString();
        }
        EXPECT_NE(said.find(notice), std::string::npos) << said;
        ASSERT_EQ(::kill(static_cast<pid_t>(watch.processId()), SIGTERM), 0);
        const bool finished = watch.waitForFinished(30000);
        if (!finished) {
            watch.kill();
            watch.waitForFinished();
        }
        EXPECT_TRUE(finished);
    }
}

TEST(TopCommand, AProcessFolderThatIsNotThereIsAnError) {
    FixtureTree t;
    t.write("file", "x\n");
    const struct {
        std::string name;
        std::string says;  // after the folder's name as printed
    } cases[] = {
        {"missing", "missing is missing\n"},
        {"file", "file is not a folder\n"},
        {"\x1b[2J\xe2\x80\xae", "\\x1b[2J\\u202e is missing\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const auto r =
            runTarvelctl({"top", "--proc-root", t.root() + "/" + c.name, "--watts", "10"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tarvelctl top: the process folder " + t.root() + "/" + c.says);
    }
}
