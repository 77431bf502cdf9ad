// The forecast service's answer, as the weather store reads it, and the texts made from it.
#include <QByteArray>
#include <cstdint>

#include "assistant/weather/ForecastParsing.h"

using namespace tarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto conditions = parseForecast(body);
    if (!conditions) return 0;
    (void)weatherSummary(conditions->tempC, conditions->code);
    (void)weatherDetail(conditions->humidity, conditions->windKmh);
    return 0;
}
