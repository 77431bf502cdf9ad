#include "shell/system/MenuBarPositionStore.h"

#include <QObject>
#include <algorithm>
#include <cmath>

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"

namespace tarvel {

namespace {

double clampPosition(double position) {
    // NaN has no place on the bar; it reads like an absent setting.
    if (std::isnan(position)) return MenuBarPositionStore::kDefaultPosition;
    return std::clamp(position, 0.0, 1.0);
}

}  // namespace

double MenuBarPositionStore::normalized() const {
    return clampPosition(settings_.real(kMenuBarPosition).value_or(kDefaultPosition));
}

void MenuBarPositionStore::setNormalized(double position) {
    settings_.setReal(kMenuBarPosition, clampPosition(position));
    applyPreferredPosition();
    postAppNotification(tarvelRebuildStatusItem);
}

double MenuBarPositionStore::preferredScore() const {
    return normalized() * 420 + 80;
}

void MenuBarPositionStore::configureStatusItem(QObject& item) {
    item.setObjectName(QString::fromUtf8(kStatusItemAutosaveName));
    applyPreferredPosition();
}

void MenuBarPositionStore::applyPreferredPosition() {
    const double score = preferredScore();
    settings_.setReal(kStatusItemPreferredPosition, score);
    settings_.setReal(kStatusItemPreferredPositionNamed, score);
}

}  // namespace tarvel
