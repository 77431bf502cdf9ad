#include "platform/linux/PowerProfilesLowPowerMode.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QSocketNotifier>

#include "base/RegularFile.h"

namespace tarvel {

namespace {

// The daemon's older and newer bus names; both are in use on current distributions.
struct Daemon {
    const char* service;
    const char* path;
    const char* interface;
};
constexpr Daemon kDaemons[] = {
    {"org.freedesktop.UPower.PowerProfiles", "/org/freedesktop/UPower/PowerProfiles",
     "org.freedesktop.UPower.PowerProfiles"},
    {"net.hadess.PowerProfiles", "/net/hadess/PowerProfiles", "net.hadess.PowerProfiles"},
};

}  // namespace

PowerProfilesLowPowerMode::PowerProfilesLowPowerMode(QDBusConnection bus, std::string sysRoot,
                                                     QObject* parent)
    : bus_(std::move(bus)), profilePath_(sysRoot + "/firmware/acpi/platform_profile") {
    setParent(parent);
    if (bus_.isConnected()) {
        for (const auto& d : kDaemons)
            bus_.connect(d.service, d.path, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                         this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
        queryDaemon();
    }
    watchPlatformProfile();
    enabled_ = isLowPowerModeEnabled();
}

PowerProfilesLowPowerMode::~PowerProfilesLowPowerMode() {
    profileNotifier_.reset();
    if (profileFd_ >= 0) ::close(profileFd_);
}

bool PowerProfilesLowPowerMode::isLowPowerModeEnabled() const {
    if (daemonProfile_) return *daemonProfile_ == "power-saver";
    return platformProfile_ == "low-power";
}

void PowerProfilesLowPowerMode::queryDaemon() {
    // Asked without blocking: the answer (or its absence) arrives through the event loop.
    for (const auto& d : kDaemons) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            d.service, d.path, "org.freedesktop.DBus.Properties", "Get");
        call << QString::fromLatin1(d.interface) << QStringLiteral("ActiveProfile");
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    const QDBusMessage reply = w->reply();
                    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                        return;
                    daemonProfile_ =
                        reply.arguments().first().value<QDBusVariant>().variant().toString();
                    update();
                });
    }
}

void PowerProfilesLowPowerMode::onPropertiesChanged(const QString&, const QVariantMap& changed,
                                                    const QStringList&) {
    auto it = changed.find(QStringLiteral("ActiveProfile"));
    if (it == changed.end()) return;
    daemonProfile_ = it->toString();
    update();
}

void PowerProfilesLowPowerMode::watchPlatformProfile() {
    profileFd_ = openRegularFile(profilePath_.c_str());
    if (profileFd_ < 0) return;
    readPlatformProfile();
    // sysfs signals a change as an exceptional condition on the open attribute.
    profileNotifier_ = std::make_unique<QSocketNotifier>(profileFd_, QSocketNotifier::Exception);
    connect(profileNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        readPlatformProfile();
        update();
    });
}

void PowerProfilesLowPowerMode::readPlatformProfile() {
    char buffer[64];
    const ssize_t got = ::pread(profileFd_, buffer, sizeof buffer, 0);
    std::string text = got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    platformProfile_ = text;
}

void PowerProfilesLowPowerMode::update() {
    const bool now = isLowPowerModeEnabled();
    if (now == enabled_) return;
    enabled_ = now;
    emit changed();
}

}  // namespace tarvel
