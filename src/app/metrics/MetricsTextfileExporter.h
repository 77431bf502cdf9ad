#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarvel {

class AppCore;
class TextfileWriter;

// Keeps a Prometheus textfile current with the core's metrics, for node_exporter's textfile
// collector: after every applied poll and every change of the top processes or the charge
// limit, rewritten only when the text changed. The file is the one the setting names (empty or
// absent: none), followed live, or one fixed path given by the command line.
class MetricsTextfileExporter : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kTextfileKey = "tarvel.metrics.textfile";

    explicit MetricsTextfileExporter(AppCore& core, QObject* parent = nullptr);
    ~MetricsTextfileExporter() override;

    // Where write problems are said, once each (default: a warning on stderr).
    using NoticeHandler = std::function<void(const std::string&)>;
    void setNoticeHandler(NoticeHandler handler) { notice_ = std::move(handler); }
    // Writes to `path` whatever the setting says. Before start().
    void setFixedPath(std::string path);
    // Follows the setting (unless a fixed path is set) and writes from now on.
    void start();
    // The file written to now; empty when off.
    std::string path() const;
    // Writes the current metrics if they differ from what the file holds.
    void writeNow();

private:
    void followSetting(const std::string& key);
    void usePath(const std::string& path);

    AppCore& core_;
    std::optional<std::string> fixedPath_;
    std::unique_ptr<TextfileWriter> writer_;
    std::string lastProblem_;
    NoticeHandler notice_;
    bool started_ = false;
};

}  // namespace tarvel
