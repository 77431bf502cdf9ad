#include <gtest/gtest.h>

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <limits>
#include <optional>

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"
#include "shell/system/MenuBarPositionStore.h"

namespace tarvel {
namespace {

TEST(MenuBarPositionStore, ClampsStoresScoresAndAsksForARebuild) {
    const struct {
        const char* name;
        std::optional<double> set;  // none: the setting is absent
        double normalized;
        double score;
    } cases[] = {
        {"absent", std::nullopt, 0.15, 143},
        {"past the right end", 1.7, 1.0, 500},
        {"past the left end", -0.2, 0.0, 80},
        {"not a number reads as absent", std::numeric_limits<double>::quiet_NaN(), 0.15, 143},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        UserDefaults settings((dir.path() + "/defaults.json").toStdString());
        MenuBarPositionStore store(settings);
        QStringList posted;
        QObject receiver;
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted,
                         &receiver, [&](const QString& name) { posted << name; });

        if (c.set) {
            store.setNormalized(*c.set);
            EXPECT_EQ(settings.real(kMenuBarPosition), c.normalized);
            EXPECT_EQ(posted, QStringList{"tarvelpro.rebuildStatusItem"});
        } else {
            QObject item;
            store.configureStatusItem(item);
            EXPECT_TRUE(posted.isEmpty());
        }
        EXPECT_EQ(store.normalized(), c.normalized);
        EXPECT_EQ(settings.real("NSStatusItem Preferred Position TarvelProBattery"), c.score);
    }
}

}  // namespace
}  // namespace tarvel
