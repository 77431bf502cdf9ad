#pragma once

namespace tarvel {

// Wall-clock seconds since 1970. Logic takes a Clock so tests can script time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;

    // The process-wide real clock.
    static Clock& system();
};

class SystemClock final : public Clock {
public:
    double now() const override;
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1'000'000.0) : t_(start) {}
    double now() const override { return t_; }
    void set(double t) { t_ = t; }
    void advance(double seconds) { t_ += seconds; }

private:
    double t_;
};

}  // namespace tarvel
