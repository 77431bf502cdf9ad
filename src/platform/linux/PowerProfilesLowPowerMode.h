#pragma once

#include <QDBusConnection>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "platform/LowPowerMode.h"

class QSocketNotifier;

namespace tarvel {

// Low Power Mode on Linux: power-profiles-daemon's "power-saver" profile, or, without the
// daemon, the firmware's "low-power" platform profile. Both are watched: the daemon through
// its PropertiesChanged signal, the sysfs attribute through the kernel's change notification.
class PowerProfilesLowPowerMode final : public LowPowerMode {
    Q_OBJECT
public:
    PowerProfilesLowPowerMode(QDBusConnection bus, std::string sysRoot = "/sys",
                              QObject* parent = nullptr);
    ~PowerProfilesLowPowerMode() override;

    bool isLowPowerModeEnabled() const override;
    // The daemon's active profile, when a daemon answered.
    std::optional<QString> activeProfile() const { return daemonProfile_; }

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void queryDaemon();
    void watchPlatformProfile();
    void readPlatformProfile();
    void update();

    QDBusConnection bus_;
    std::string profilePath_;
    std::optional<QString> daemonProfile_;
    std::string platformProfile_;
    int profileFd_ = -1;
    std::unique_ptr<QSocketNotifier> profileNotifier_;
    bool enabled_ = false;
};

}  // namespace tarvel
