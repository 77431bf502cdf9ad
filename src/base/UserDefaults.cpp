#include "base/UserDefaults.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <vector>

#include "base/JsonInput.h"

namespace tarvel {

namespace {
constexpr const char* kDateTag = "$date";

bool isDate(const nlohmann::json& v) {
    return v.is_object() && v.size() == 1 && v.contains(kDateTag) && v[kDateTag].is_number();
}
}  // namespace

UserDefaults::UserDefaults(std::string path, QObject* parent)
    : QObject(parent), path_(std::move(path)) {
    load();
    announced_ = values_;
    if (QCoreApplication::instance()) {
        watcher_ = new QFileSystemWatcher(this);
        // A write by another process replaces the file (a new inode in the folder), so the
        // folder is watched as well as the file.
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &UserDefaults::reload);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &UserDefaults::reload);
        watch();
    }
}

UserDefaults::~UserDefaults() = default;

UserDefaults::Stamp UserDefaults::currentStamp() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return {};
    return {true, static_cast<long long>(st.st_ino),
            static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + st.st_mtim.tv_nsec,
            static_cast<long long>(st.st_size)};
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
    // A file nested deeper than any setting would be is not ours: writing it back would
    // recurse through every level.
    if (!jsonNestingWithin(std::string_view(bytes.constData(), std::size_t(bytes.size())))) {
        keepAside_ = true;
        return;
    }
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
    {
        std::lock_guard lock(mutex_);
        const QString path = QString::fromStdString(path_);
        QDir().mkpath(QFileInfo(path).absolutePath());
        // Another process may have written since we last looked: change our key in what is on
        // disk now. Without the lock (a read-only folder) the write below fails anyway.
        QLockFile fileLock(path + ".lock");
        fileLock.tryLock(2000);
        load();
        auto it = values_.find(key);
        bool differs = true;
        if (!value) {
            if (it == values_.end())
                differs = false;
            else
                values_.erase(it);
        } else if (it != values_.end() && *it == *value && it->type() == value->type()) {
            differs = false;
        } else {
            values_[key] = std::move(*value);
        }
        if (differs) {
            save();
            stamp_ = currentStamp();
        }
    }
    announce();
    if (watcher_) QMetaObject::invokeMethod(this, &UserDefaults::watch, Qt::AutoConnection);
}

void UserDefaults::reload() {
    {
        std::lock_guard lock(mutex_);
        refresh();
    }
    watch();
    announce();
}

void UserDefaults::watch() {
    if (!watcher_) return;
    const QString file = QString::fromStdString(path_);
    QString folder = QFileInfo(file).absolutePath();
    // Before the first write the folder may not exist: watch the nearest folder that does, to
    // notice the moment another process creates ours.
    while (!QFileInfo::exists(folder) && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    const bool newFolder = !watcher_->directories().contains(folder);
    for (const QString& watched : watcher_->directories())
        if (watched != folder) watcher_->removePath(watched);
    // Both drop out of the watch when they are removed or replaced: add them again.
    for (const QString& path : {folder, file})
        if (QFileInfo::exists(path) && !watcher_->files().contains(path) &&
            !watcher_->directories().contains(path))
            watcher_->addPath(path);
    // What was created in a newly watched folder before its watch began (the next folder of
    // the path, the file itself) sent no event: look once more now that it is watched.
    if (newFolder) QMetaObject::invokeMethod(this, &UserDefaults::reload, Qt::QueuedConnection);
}

void UserDefaults::announce() {
    std::vector<std::string> keys;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, value] : values_.items())
            if (!announced_.contains(key) || announced_[key] != value ||
                announced_[key].type() != value.type())
                keys.push_back(key);
        for (const auto& [key, value] : announced_.items())
            if (!values_.contains(key)) keys.push_back(key);
        announced_ = values_;
    }
    for (const auto& key : keys) emit changed(key);
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
