#include "app/metrics/MetricsTextfileExporter.h"

#include <QtGlobal>

#include "app/AppCore.h"
#include "app/metrics/TarvelMetrics.h"
#include "app/metrics/TextfileWriter.h"

namespace tarvel {

MetricsTextfileExporter::MetricsTextfileExporter(AppCore& core, QObject* parent)
    : QObject(parent), core_(core) {}

MetricsTextfileExporter::~MetricsTextfileExporter() = default;

void MetricsTextfileExporter::setFixedPath(std::string path) {
    fixedPath_ = std::move(path);
}

std::string MetricsTextfileExporter::path() const {
    return writer_ ? writer_->path() : std::string();
}

void MetricsTextfileExporter::start() {
    if (started_) return;
    started_ = true;
    connect(&core_.powerStore(), &PowerStore::pollApplied, this,
            &MetricsTextfileExporter::writeNow);
    connect(&core_.processEnergy(), &ProcessEnergyStore::topChanged, this,
            &MetricsTextfileExporter::writeNow);
    for (auto changed :
         {&ChargeLimitController::statusChanged, &ChargeLimitController::isEnabledChanged,
          &ChargeLimitController::limitPercentChanged})
        connect(&core_.chargeLimit(), changed, this, &MetricsTextfileExporter::writeNow);
    if (fixedPath_) {
        usePath(*fixedPath_);
        return;
    }
    connect(&core_.settings(), &UserDefaults::changed, this,
            &MetricsTextfileExporter::followSetting);
    followSetting(kTextfileKey);
}

void MetricsTextfileExporter::followSetting(const std::string& key) {
    if (key == kTextfileKey) usePath(core_.settings().string(kTextfileKey).value_or(""));
}

void MetricsTextfileExporter::usePath(const std::string& path) {
    if (path == this->path()) return;
    // A file nobody updates any more would pass for a live one.
    if (writer_) writer_->removeWritten();
    writer_.reset();
    lastProblem_.clear();
    if (path.empty()) return;
    writer_ = std::make_unique<TextfileWriter>(path);
    writeNow();
}

void MetricsTextfileExporter::writeNow() {
    // Nothing worth exporting before the first poll.
    if (!writer_ || core_.powerStore().pollGeneration() == 0) return;
    if (writer_->update(tarvelMetrics(metricsSourcesOf(core_)))) {
        lastProblem_.clear();
        return;
    }
    if (writer_->problem() == lastProblem_) return;
    lastProblem_ = writer_->problem();
    const std::string text = "metrics textfile: " + lastProblem_;
    if (notice_)
        notice_(text);
    else
        qWarning("%s", text.c_str());
}

}  // namespace tarvel
