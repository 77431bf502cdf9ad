#include "base/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace tarvel {

namespace {
constexpr const char* kDateTag = "$date";

bool isDate(const nlohmann::json& v) {
    return v.is_object() && v.size() == 1 && v.contains(kDateTag) && v[kDateTag].is_number();
}
}  // namespace

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) {
    load();
}

UserDefaults::Stamp UserDefaults::currentStamp() const {
    const QFileInfo info(QString::fromStdString(path_));
    if (!info.exists()) return {};
    return {true, info.lastModified().toMSecsSinceEpoch(), info.size()};
}

void UserDefaults::load() const {
    stamp_ = currentStamp();
    values_ = nlohmann::json::object();
    keepAside_ = false;
    QFile file(QString::fromStdString(path_));
    if (!stamp_.exists) return;
    if (!file.open(QIODevice::ReadOnly)) {
        keepAside_ = true;
        return;
    }
    const QByteArray bytes = file.readAll();
    auto parsed = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (parsed.is_object())
        values_ = std::move(parsed);
    else
        keepAside_ = true;
}

void UserDefaults::refresh() const {
    if (currentStamp() != stamp_) load();
}

std::string UserDefaults::defaultPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return (base + "/tarvel/defaults.json").toStdString();
}

UserDefaults& UserDefaults::standard() {
    static UserDefaults defaults(defaultPath());
    return defaults;
}

bool UserDefaults::contains(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    return values_.contains(key);
}

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    auto it = values_.find(key);
    if (it == values_.end() || !it->is_boolean()) return std::nullopt;
    return it->get<bool>();
}

std::optional<std::int64_t> UserDefaults::integer(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    auto it = values_.find(key);
    if (it == values_.end() || !it->is_number_integer()) return std::nullopt;
    if (it->is_number_unsigned() && it->get<std::uint64_t>() > INT64_MAX) return std::nullopt;
    return it->get<std::int64_t>();
}

std::optional<double> UserDefaults::real(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    auto it = values_.find(key);
    if (it == values_.end() || !it->is_number()) return std::nullopt;
    return it->get<double>();
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    auto it = values_.find(key);
    if (it == values_.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::optional<double> UserDefaults::date(const std::string& key) const {
    std::lock_guard lock(mutex_);
    refresh();
    auto it = values_.find(key);
    if (it == values_.end() || !isDate(*it)) return std::nullopt;
    return (*it)[kDateTag].get<double>();
}

void UserDefaults::setBool(const std::string& key, bool value) {
    store(key, value);
}
void UserDefaults::setInteger(const std::string& key, std::int64_t value) {
    store(key, value);
}
void UserDefaults::setReal(const std::string& key, double value) {
    store(key, value);
}
void UserDefaults::setString(const std::string& key, const std::string& value) {
    store(key, value);
}
void UserDefaults::setDate(const std::string& key, double secondsSince1970) {
    store(key, nlohmann::json{{kDateTag, secondsSince1970}});
}

void UserDefaults::remove(const std::string& key) {
    store(key, std::nullopt);
}

void UserDefaults::store(const std::string& key, std::optional<nlohmann::json> value) {
    std::lock_guard lock(mutex_);
    const QString path = QString::fromStdString(path_);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Another process may have written since we last looked: change our key in what is on
    // disk now. Without the lock (a read-only folder) the write below fails anyway.
    QLockFile fileLock(path + ".lock");
    fileLock.tryLock(2000);
    load();
    auto it = values_.find(key);
    if (!value) {
        if (it == values_.end()) return;
        values_.erase(it);
    } else {
        if (it != values_.end() && *it == *value && it->type() == value->type()) return;
        values_[key] = std::move(*value);
    }
    save();
    stamp_ = currentStamp();
}

void UserDefaults::save() {
    const QString path = QString::fromStdString(path_);
    if (keepAside_) {
        // Never silently overwrite a settings file we could not read.
        QFile::remove(path + ".corrupt");
        QFile::rename(path, path + ".corrupt");
        keepAside_ = false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    const std::string text = values_.dump(2) + "\n";
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.commit();
}

}  // namespace tarvel
