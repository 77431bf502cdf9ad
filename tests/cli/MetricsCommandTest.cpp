#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

#include "support/AdvancingFiles.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"

using namespace tarvel::test;

namespace {

// A fixture laptop with a load average and four CPUs under `t`; the arguments that point
// tarvelctl at it.
std::vector<std::string> laptopArgs(const FixtureTree& t) {
    dischargingEnergyLaptop(t);
    t.write("proc/loadavg", "0.50 0.40 0.30 1/100 1000\n");
    t.write("devices/system/cpu/online", "0-3\n");
    return {"--sysfs-root", t.root(), "--proc-root", t.root() + "/proc"};
}

std::map<std::string, std::string> isolatedHome(const FixtureTree& t) {
    return {{"XDG_DATA_HOME", t.root() + "/data"}, {"XDG_CONFIG_HOME", t.root() + "/config"}};
}

TEST(MetricsCommand, PrintsWhatPromtoolAccepts) {
    FixtureTree t;
    auto args = laptopArgs(t);
    args.insert(args.begin(), "metrics");
    t.write("history.jsonl", std::string(64, '\n'));
    // A name that needs escaping in a label value; a pid above any pid_max, so never
    // tarvelctl's own (which the sampler leaves out), using CPU time in real time.
    t.write("proc/5000001/comm", "say \"hi\" \\o/\n");
    AdvancingFiles busy(t, {{"proc/5000001/stat", [](double s) {
                                 return "5000001 (x) R 1 1 1 0 -1 4194560 100 0 0 0 " +
                                        std::to_string(static_cast<long long>(100 * s)) +
                                        " 0 0 0 20 0 1 0 100 1000 10 18446744073709551615\n";
                             }}});
    args.insert(args.end(), {"--log", t.root() + "/history.jsonl"});
    const auto r = runTarvelctl(args, isolatedHome(t));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"tarvel_battery_level_ratio 0.6\n", "tarvel_ac_power_connected 0\n",
                             "tarvel_package_power_watts{source=\"estimate\"} ",
                             "tarvel_drain_history_size_bytes 64\n",
                             "tarvel_process_power_watts{name=\"say \\\"hi\\\" \\\\o/\"} "})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start("promtool", {"check", "metrics"});
    ASSERT_TRUE(promtool.waitForStarted(10000)) << "install promtool (package prometheus)";
    promtool.write(r.out.data(), static_cast<qint64>(r.out.size()));
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(30000));
    EXPECT_EQ(promtool.exitCode(), 0) << r.out;
    EXPECT_EQ(promtool.readAll().toStdString(), "");
}

// A loopback port nobody listens on now: the kernel picks it for a server that closes again.
quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// The body of GET `url`, or nothing when nobody answers.
std::optional<std::string> httpGet(QNetworkAccessManager& network, const QString& url) {
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    waitUntil([reply] { return reply->isFinished(); }, 10000);
    std::optional<std::string> body;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError)
        body = reply->readAll().toStdString();
    reply->deleteLater();
    return body;
}

// watch --textfile keeps a file in the folder node_exporter's textfile collector reads, and
// the exporter serves Tarvel's metrics from it.
TEST(MetricsTextfile, ReachesPrometheusThroughNodeExporter) {
    QString exporterProgram = QStandardPaths::findExecutable("prometheus-node-exporter");
    if (exporterProgram.isEmpty())
        exporterProgram = QStandardPaths::findExecutable("node_exporter");
    ASSERT_FALSE(exporterProgram.isEmpty()) << "install prometheus-node-exporter";

    FixtureTree t;
    laptopArgs(t);
    const std::string folder = t.root() + "/textfiles";
    QDir().mkpath(QString::fromStdString(folder));
    const std::string file = folder + "/tarvel.prom";

    QProcess watch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [key, value] : isolatedHome(t))
        env.insert(QString::fromStdString(key), QString::fromStdString(value));
    watch.setProcessEnvironment(env);
    watch.start(TARVELCTL_PATH, {"watch", "--no-log", "--textfile", QString::fromStdString(file),
                                 "--sysfs-root", QString::fromStdString(t.root())});
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(QString::fromStdString(file)); }, 20000))
        << watch.readAllStandardError().toStdString();

    const quint16 port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    const QString address = "127.0.0.1:" + QString::number(port);
    QProcess exporter;
    exporter.setProcessChannelMode(QProcess::MergedChannels);
    exporter.start(
        exporterProgram,
        {"--web.listen-address=" + address, "--collector.disable-defaults", "--collector.textfile",
         "--collector.textfile.directory=" + QString::fromStdString(folder)});
    ASSERT_TRUE(exporter.waitForStarted(10000));

    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);  // loopback, whatever http_proxy says
    std::optional<std::string> body;
    const bool answered = waitUntil(
        [&] {
            if (exporter.state() == QProcess::NotRunning) return true;
            body = httpGet(network, "http://" + address + "/metrics");
            return body.has_value();
        },
        20000);
    ASSERT_TRUE(answered && body) << "node_exporter never answered on " << address.toStdString()
                                  << ":\n"
                                  << exporter.readAll().toStdString();

    for (const char* line :
         {"tarvel_battery_level_ratio 0.6\n", "tarvel_battery_present 1\n",
          "tarvel_package_power_watts{source=\"estimate\"} ", "node_textfile_scrape_error 0\n"})
        EXPECT_NE(body->find(line), std::string::npos) << line << "\n" << *body;

    exporter.terminate();
    EXPECT_TRUE(exporter.waitForFinished(5000));
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(5000));
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_EQ(watch.readAllStandardError().toStdString(), "");
}

}  // namespace
