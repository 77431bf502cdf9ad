#include "base/Clock.h"

#include <chrono>

namespace tarvel {

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

}  // namespace tarvel
