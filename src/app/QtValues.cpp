#include "app/QtValues.h"

#include <QObject>
#include <cstdint>
#include <optional>
#include <vector>

#include "charge/ChargeLimitController.h"
#include "drain/ProcEnergy.h"

namespace tarvel {

namespace {

QList<qreal> reals(const std::vector<double>& values) {
    return QList<qreal>(values.begin(), values.end());
}

template <typename From, typename To>
void convertOnce(To (*convert)(const From&)) {
    if (!QMetaType::hasRegisteredConverterFunction<From, To>())
        QMetaType::registerConverter<From, To>(convert);
}

QVariantMap processRow(const ProcEnergy& p) {
    return {{"id", p.id},
            {"name", qtText(p.name)},
            {"path", p.path ? QVariant(qtText(*p.path)) : QVariant()},
            {"energyScore", p.energyScore},
            {"cpuPercent", p.cpuPercent},
            {"powerShare", p.powerShare},
            {"estimatedWatts", p.estimatedWatts},
            {"samples", QVariant::fromValue(reals(p.samples))}};
}

}  // namespace

QVariant qtValue(const QVariant& v) {
    const QMetaType type = v.metaType();
    if (type == QMetaType::fromType<std::string>()) return qtText(v.value<std::string>());
    if (type == QMetaType::fromType<std::optional<std::string>>()) {
        const auto o = v.value<std::optional<std::string>>();
        return o ? QVariant(qtText(*o)) : QVariant();
    }
    if (type == QMetaType::fromType<std::optional<std::int64_t>>()) {
        const auto o = v.value<std::optional<std::int64_t>>();
        return o ? QVariant(qlonglong(*o)) : QVariant();
    }
    if (type == QMetaType::fromType<std::vector<double>>())
        return QVariant::fromValue(reals(v.value<std::vector<double>>()));
    if (type == QMetaType::fromType<std::vector<ProcEnergy>>()) {
        QVariantList rows;
        for (const auto& p : v.value<std::vector<ProcEnergy>>()) rows.push_back(processRow(p));
        return rows;
    }
    if (type == QMetaType::fromType<ChargeLimitStatus>())
        return QString::fromUtf8(rawValue(v.value<ChargeLimitStatus>()));
    return v;
}

QVariant qtProperty(const QObject& store, const char* name) {
    return qtValue(store.property(name));
}

void registerQtConversions() {
    convertOnce<std::string, QString>([](const std::string& s) { return qtText(s); });
    convertOnce<std::optional<std::string>, QString>(
        [](const std::optional<std::string>& s) { return s ? qtText(*s) : QString(); });
    convertOnce<std::vector<double>, QList<qreal>>(
        [](const std::vector<double>& values) { return reals(values); });
    convertOnce<ChargeLimitStatus, QString>(
        [](const ChargeLimitStatus& s) { return QString::fromUtf8(rawValue(s)); });
}

}  // namespace tarvel
