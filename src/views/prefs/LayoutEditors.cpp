#include "views/prefs/LayoutEditors.h"

#include "views/components/Controls.h"

namespace tarvel {

SegmentedPicker* densityPicker(DashboardPrefs& prefs, QWidget* parent) {
    QStringList labels;
    for (const auto& info : DashboardPrefs::densities()) labels << QString::fromUtf8(info.label);
    auto* picker = new SegmentedPicker(labels, parent);
    QObject::connect(picker, &SegmentedPicker::chosen, parent, [&prefs](int index) {
        prefs.density = DashboardPrefs::densities().at(std::size_t(index)).density;
        prefs.save();
    });
    return picker;
}

SegmentedPicker* widthPicker(DashboardPrefs& prefs, QWidget* parent) {
    QStringList labels;
    for (const auto& info : DashboardPrefs::widths()) labels << QString::fromUtf8(info.label);
    auto* picker = new SegmentedPicker(labels, parent);
    QObject::connect(picker, &SegmentedPicker::chosen, parent, [&prefs](int index) {
        prefs.width = DashboardPrefs::widths().at(std::size_t(index)).width;
        prefs.save();
    });
    return picker;
}

LabeledSwitch* layoutSwitch(DashboardPrefs& prefs, const LayoutToggle& toggle, QWidget* parent) {
    auto* item = new LabeledSwitch(QString::fromUtf8(toggle.title), {}, parent);
    QObject::connect(item, &LabeledSwitch::flipped, parent, [&prefs, field = toggle.field](bool on) {
        prefs.*field = on;
        prefs.save();
    });
    return item;
}

}  // namespace tarvel
