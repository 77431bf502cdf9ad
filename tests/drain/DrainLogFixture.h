#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <string>
#include <vector>

#include "drain/DrainLog.h"
#include "drain/IsoTime.h"
#include "support/FixtureTree.h"

namespace tarvel::test {

inline const double kLogStart = static_cast<double>(*parseIsoTime("2026-03-01T12:00:00Z"));

// A data folder with the history in it, a clock standing at kLogStart and the logs made over
// them; notices are collected instead of printed.
class DrainLogTest : public ::testing::Test {
protected:
    FixtureTree dir;
    ManualClock clock{kLogStart};
    UserDefaults defaults{dir.root() + "/defaults.json"};
    std::string support = dir.root() + "/support";
    std::string file = support + "/drain.jsonl";
    std::vector<std::string> notices;

    void SetUp() override { QDir().mkpath(QString::fromStdString(support)); }

    // randomValue is every prune draw (0 prunes after each append).
    std::unique_ptr<DrainLog> makeLog(int randomValue = 7, const std::string& folder = {}) {
        auto log = std::make_unique<DrainLog>(clock, defaults, folder.empty() ? support : folder,
                                              [randomValue] { return randomValue; });
        log->setNoticeHandler([this](const std::string& text) { notices.push_back(text); });
        return log;
    }
    std::string content() const { return dir.read("support/drain.jsonl"); }
    bool exists() const { return QFileInfo::exists(QString::fromStdString(file)); }
    void writeLog(const std::string& text) const { dir.write("support/drain.jsonl", text); }
    // An event record `secondsAgo` before the clock.
    std::string line(double secondsAgo, const std::string& name = "x") const {
        return R"({"t":")" + formatIsoUtc(clock.now() - secondsAgo) +
               R"(","kind":"event","name":")" + name + "\"}\n";
    }
    std::vector<std::string> temporaries() const {
        std::vector<std::string> names;
        for (const auto& name :
             QDir(QString::fromStdString(support)).entryList({"drain.jsonl.*"}, QDir::Files))
            names.push_back(name.toStdString());
        return names;
    }
};

}  // namespace tarvel::test
