#pragma once

#include <QObject>
#include <array>
#include <string>

namespace tarvel {

class UserDefaults;

// The user's layout choices for the dashboard: which rows and cards it shows, its spacing, its
// width and its corner radius. save() writes the fields changed since they were last loaded or
// saved and posts tarvelDashboardPrefsChanged once; a layout key another writer changes is
// loaded at once and announced the same way, so no save puts an older value back. Main thread
// only.
class DashboardPrefs : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kKeyPrefix = "tarvelpro.dashboard.prefs.v1.";
    static constexpr const char* kSeededKey = "tarvelpro.dashboard.ombrelStyleSeeded";
    static constexpr double kDefaultCornerRadius = 18;
    static constexpr double kMinCornerRadius = 8;

    enum class Density { compact, comfortable, roomy };
    enum class CardWidth { narrow, regular, wide };

    struct DensityInfo {
        Density density;
        const char* id;
        const char* label;
        int rowPad;
        int hPad;
        int heroSize;
    };
    struct WidthInfo {
        CardWidth width;
        const char* id;
        const char* label;
        int points;
    };
    // All cases in picker order.
    static const std::array<DensityInfo, 3>& densities();
    static const std::array<WidthInfo, 3>& widths();
    static const DensityInfo& info(Density density);
    static const WidthInfo& info(CardWidth width);

    // Fields take the defaults, then load() runs.
    explicit DashboardPrefs(UserDefaults& defaults, QObject* parent = nullptr);
    ~DashboardPrefs() override;

    // The running application's preferences.
    static DashboardPrefs& shared();

    void load();
    void save();
    void resetToMockDefaults();
    // "minimal", "full", or anything else (the buttons send "mock") for the default layout.
    void applyPreset(const std::string& name);
    // The first time any dashboard appears on this account: the chart, app list, why detail
    // and time cards on, the faux menu bar and pill off. True when it ran now.
    bool seedFirstOpenIfNeeded();

    bool showFauxMenubar = true;
    bool showTarvelPill = true;
    bool showPackageLine = true;
    bool largePercent = true;
    bool showPowerSource = true;
    bool showEnergyMode = true;
    bool showAppsRow = true;
    bool showWhyRow = true;
    bool showSparkline = false;
    bool showTopAppsList = false;
    bool showWhyDetail = false;
    bool showHealth = false;
    bool showTimeRemaining = false;
    bool showPowerDistribution = true;
    Density density = Density::comfortable;
    CardWidth width = CardWidth::regular;
    double cornerRadius = kDefaultCornerRadius;

    // The boolean fields with their key suffixes, in declaration order.
    struct Toggle {
        bool DashboardPrefs::*field;
        const char* suffix;
        bool defaultValue;
    };
    static const std::array<Toggle, 14>& toggles();

    const DensityInfo& densityInfo() const { return info(density); }
    const WidthInfo& widthInfo() const { return info(width); }

signals:
    // After every save() and every outside change (the fields may all have changed).
    void changed();

private:
    struct Values {
        std::array<bool, 14> toggles{};
        Density density = Density::comfortable;
        CardWidth width = CardWidth::regular;
        double cornerRadius = kDefaultCornerRadius;
        bool operator==(const Values&) const = default;
    };
    Values values() const;
    void announce();

    UserDefaults& defaults_;
    Values stored_;  // as last loaded or saved
    bool saving_ = false;
};

}  // namespace tarvel
