#pragma once

#include <QObject>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

class QFileSystemWatcher;

namespace tarvel {

// The typed settings store: one JSON object on disk, replaced atomically on every write.
// Values keep their type (bool, integer, double, string, date), so a reader asking for an
// integer gets nothing back when something else is stored under that key.
//
// Several processes share the file (the application, `tarvelctl watch`, `charge hold`): reads
// notice a file another process replaced, and a write re-reads the file under a lock and
// changes only its own key, so no process undoes another's setting. `changed` tells about
// every key whose value changed, whether this process or another one changed it.
class UserDefaults : public QObject {
    Q_OBJECT

public:
    // Loads `path` (a missing file is an empty store). An unreadable file is kept aside as
    // "<path>.corrupt" before the first write replaces it. Create it on the thread whose event
    // loop should deliver `changed` for other processes' writes.
    explicit UserDefaults(std::string path, QObject* parent = nullptr);
    ~UserDefaults() override;

    // $XDG_CONFIG_HOME/tarvel/defaults.json
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    bool contains(const std::string& key) const;
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<std::int64_t> integer(const std::string& key) const;
    // A double or an integer.
    std::optional<double> real(const std::string& key) const;
    std::optional<std::string> string(const std::string& key) const;
    // Seconds since 1970.
    std::optional<double> date(const std::string& key) const;

    void setBool(const std::string& key, bool value);
    void setInteger(const std::string& key, std::int64_t value);
    void setReal(const std::string& key, double value);
    void setString(const std::string& key, const std::string& value);
    void setDate(const std::string& key, double secondsSince1970);
    void remove(const std::string& key);

    // Looks at the file now rather than when the watcher next says so (another process's
    // write is announced at the latest here).
    void reload();

signals:
    // The value under `key` changed (or appeared, or went away).
    void changed(const std::string& key);

private:
    struct Stamp {
        bool exists = false;
        long long inode = 0;
        long long modifiedNs = 0;
        long long size = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp currentStamp() const;
    void load() const;
    void refresh() const;
    void store(const std::string& key, std::optional<nlohmann::json> value);
    void save();
    void watch();
    void announce();

    std::string path_;
    mutable std::mutex mutex_;
    mutable nlohmann::json values_ = nlohmann::json::object();
    mutable bool keepAside_ = false;
    mutable Stamp stamp_;
    nlohmann::json announced_ = nlohmann::json::object();  // under mutex_
    QFileSystemWatcher* watcher_ = nullptr;
};

}  // namespace tarvel
