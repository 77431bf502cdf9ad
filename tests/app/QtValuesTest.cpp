#include <gtest/gtest.h>

#include "app/QtValues.h"
#include "drain/ProcEnergy.h"
#include "telemetry/PowerStore.h"

namespace tarvel {
namespace {

// The views read the stores through Qt types only.
TEST(QtValues, StoreValuesArriveAsQtTypes) {
    PowerStore store;
    EXPECT_EQ(qtProperty(store, "timeText"), QVariant(QString("—")));
    EXPECT_FALSE(qtProperty(store, "remainingMinutes").isValid());  // absent
    EXPECT_EQ(qtProperty(store, "levelPercent"), QVariant(0));      // already a Qt type

    BatSnap snap;
    snap.present = true;
    snap.level = 64;
    snap.minutes = 135;
    snap.cycles = 321;
    store.applyBattery(snap);
    EXPECT_EQ(qtProperty(store, "statusText").toString(), "On battery");
    EXPECT_EQ(qtProperty(store, "cycleCount"), QVariant(qlonglong(321)));
    EXPECT_EQ(qtProperty(store, "remainingMinutes"), QVariant(qlonglong(135)));
    EXPECT_EQ(qtProperty(store, "timeText").toString(), "2h 15m left");
    EXPECT_EQ(qtProperty(store, "wattHistory").metaType(), QMetaType::fromType<QList<qreal>>());
    EXPECT_EQ(qtValue(QVariant::fromValue(std::vector<double>{0.5, 7.25})).value<QList<qreal>>(),
              (QList<qreal>{0.5, 7.25}));

    ProcEnergy row;
    row.id = 42;
    row.name = "build";
    row.samples = {1.5, 2.5};
    const QVariantList rows = qtValue(QVariant::fromValue(std::vector<ProcEnergy>{row})).toList();
    ASSERT_EQ(rows.size(), 1);
    const QVariantMap first = rows[0].toMap();
    EXPECT_EQ(first["name"].toString(), "build");
    EXPECT_FALSE(first["path"].isValid());
    EXPECT_EQ(first["samples"].value<QList<qreal>>(), (QList<qreal>{1.5, 2.5}));

    // Plain conversions work too, for code that reads a property directly.
    registerQtConversions();
    registerQtConversions();
    EXPECT_EQ(store.property("statusText").toString(), "On battery");
    EXPECT_EQ(QVariant::fromValue(std::vector<double>{3.5}).value<QList<qreal>>(),
              QList<qreal>{3.5});
}

}  // namespace
}  // namespace tarvel
