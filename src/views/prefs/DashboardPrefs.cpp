#include "views/prefs/DashboardPrefs.h"

#include "base/SharedInstance.h"
#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"

namespace tarvel {

namespace {

std::string prefKey(const char* suffix) {
    return std::string(DashboardPrefs::kKeyPrefix) + suffix;
}

// A preset's toggles in declaration order (see toggles()).
using ToggleRow = std::array<bool, 14>;
constexpr ToggleRow kMinimalToggles = {false, false, true,  true,  false, false, false,
                                       true,  false, false, false, false, true,  true};
constexpr ToggleRow kFullToggles = {true, true, true, true, true, true, true,
                                    true, true, true, true, true, true, true};

}  // namespace

const std::array<DashboardPrefs::DensityInfo, 3>& DashboardPrefs::densities() {
    static const std::array<DensityInfo, 3> all = {{
        {Density::compact, "compact", "Compact", 8, 20, 42},
        {Density::comfortable, "comfortable", "Comfortable", 13, 28, 56},
        {Density::roomy, "roomy", "Roomy", 17, 32, 64},
    }};
    return all;
}

const std::array<DashboardPrefs::WidthInfo, 3>& DashboardPrefs::widths() {
    static const std::array<WidthInfo, 3> all = {{
        {CardWidth::narrow, "narrow", "Narrow", 360},
        {CardWidth::regular, "regular", "Regular", 440},
        {CardWidth::wide, "wide", "Wide", 520},
    }};
    return all;
}

const DashboardPrefs::DensityInfo& DashboardPrefs::info(Density density) {
    return densities()[static_cast<std::size_t>(density)];
}

const DashboardPrefs::WidthInfo& DashboardPrefs::info(CardWidth width) {
    return widths()[static_cast<std::size_t>(width)];
}

const std::array<DashboardPrefs::Toggle, 14>& DashboardPrefs::toggles() {
    static const std::array<Toggle, 14> all = {{
        {&DashboardPrefs::showFauxMenubar, "fauxMenubar", true},
        {&DashboardPrefs::showTarvelPill, "pill", true},
        {&DashboardPrefs::showPackageLine, "packageLine", true},
        {&DashboardPrefs::largePercent, "largePercent", true},
        {&DashboardPrefs::showPowerSource, "powerSource", true},
        {&DashboardPrefs::showEnergyMode, "energyMode", true},
        {&DashboardPrefs::showAppsRow, "appsRow", true},
        {&DashboardPrefs::showWhyRow, "whyRow", true},
        {&DashboardPrefs::showSparkline, "sparkline", false},
        {&DashboardPrefs::showTopAppsList, "topApps", false},
        {&DashboardPrefs::showWhyDetail, "whyDetail", false},
        {&DashboardPrefs::showHealth, "health", false},
        {&DashboardPrefs::showTimeRemaining, "timeRemaining", false},
        {&DashboardPrefs::showPowerDistribution, "powerDistribution", true},
    }};
    return all;
}

DashboardPrefs::DashboardPrefs(UserDefaults& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
    load();
    connect(&defaults_, &UserDefaults::changed, this, [this](const std::string& key) {
        if (saving_ || key.rfind(kKeyPrefix, 0) != 0) return;
        load();
        announce();
    });
    SharedInstance<DashboardPrefs>::set(this);
}

DashboardPrefs::~DashboardPrefs() {
    SharedInstance<DashboardPrefs>::clear(this);
}

DashboardPrefs& DashboardPrefs::shared() {
    return SharedInstance<DashboardPrefs>::get("DashboardPrefs");
}

void DashboardPrefs::load() {
    // A missing or mistyped toggle reads as its default, not as what memory held before.
    for (const Toggle& t : toggles())
        this->*t.field = defaults_.boolValue(prefKey(t.suffix)).value_or(t.defaultValue);
    // An unknown density or width (a newer build's case) keeps the current one.
    if (auto stored = defaults_.string(prefKey("density")))
        for (const DensityInfo& d : densities())
            if (*stored == d.id) density = d.density;
    if (auto stored = defaults_.string(prefKey("width")))
        for (const WidthInfo& w : widths())
            if (*stored == w.id) width = w.width;
    const double corner = defaults_.real(prefKey("corner")).value_or(0);
    cornerRadius = corner >= kMinCornerRadius ? corner : kDefaultCornerRadius;
    stored_ = values();
}

DashboardPrefs::Values DashboardPrefs::values() const {
    Values v{{}, density, width, cornerRadius};
    for (std::size_t i = 0; i < toggles().size(); ++i) v.toggles[i] = this->*toggles()[i].field;
    return v;
}

void DashboardPrefs::save() {
    // Only what changed here: a key written by another process since stays as it wrote it.
    const Values now = values();
    saving_ = true;
    for (std::size_t i = 0; i < toggles().size(); ++i)
        if (now.toggles[i] != stored_.toggles[i])
            defaults_.setBool(prefKey(toggles()[i].suffix), now.toggles[i]);
    if (now.density != stored_.density) defaults_.setString(prefKey("density"), densityInfo().id);
    if (now.width != stored_.width) defaults_.setString(prefKey("width"), widthInfo().id);
    if (now.cornerRadius != stored_.cornerRadius)
        defaults_.setReal(prefKey("corner"), cornerRadius);
    saving_ = false;
    // Reads back ours and whatever another writer changed meanwhile.
    load();
    announce();
}

void DashboardPrefs::announce() {
    postAppNotification(tarvelDashboardPrefsChanged);
    emit changed();
}

void DashboardPrefs::resetToMockDefaults() {
    for (const Toggle& t : toggles()) this->*t.field = t.defaultValue;
    density = Density::comfortable;
    width = CardWidth::regular;
    cornerRadius = kDefaultCornerRadius;
    save();
}

void DashboardPrefs::applyPreset(const std::string& name) {
    const ToggleRow* row = nullptr;
    if (name == "minimal") {
        row = &kMinimalToggles;
        density = Density::compact;
        width = CardWidth::narrow;
    } else if (name == "full") {
        row = &kFullToggles;
        density = Density::roomy;
        width = CardWidth::wide;
    } else {
        resetToMockDefaults();
        return;
    }
    for (std::size_t i = 0; i < row->size(); ++i) this->*toggles()[i].field = (*row)[i];
    save();
}

bool DashboardPrefs::seedFirstOpenIfNeeded() {
    // The flag, not the fields, says whether it ran: turning the cards off again must stick.
    if (defaults_.boolValue(kSeededKey).value_or(false)) return false;
    showSparkline = showTopAppsList = showWhyDetail = showTimeRemaining = true;
    showFauxMenubar = showTarvelPill = false;
    save();
    defaults_.setBool(kSeededKey, true);
    return true;
}

}  // namespace tarvel
