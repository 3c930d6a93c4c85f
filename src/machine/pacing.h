#pragma once

#include <chrono>
#include <cstdint>

namespace tarvok {

// The board's processor clock: 1 MHz, one cycle per microsecond.
inline constexpr double kBoardCyclesPerSecond = 1'000'000.0;

// Paces a run against the wall clock at a multiple of the board's real speed. It only says how
// many cycles may have run by now; the run waits while it is ahead. The reference is the
// start of the paced run, so rounding never adds up; a run that falls far behind (the host too
// slow, the program stopped in a debugger) starts a new reference instead of racing to catch up.
class Pacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kMaxLag = std::chrono::milliseconds(100);

    // 0 runs as fast as the host allows.
    explicit Pacer(unsigned factor = 0) : factor_(factor) {}
    unsigned Factor() const { return factor_; }
    bool Paced() const { return factor_ != 0; }

    void Restart(Clock::time_point now, std::uint64_t cycles) {
        start_ = now;
        startCycles_ = cycles;
    }
    // The cycle count the run may have reached at `now`; when the run (at `cycles`) lags by more
    // than kMaxLag, the reference moves to now.
    std::uint64_t Allowance(Clock::time_point now, std::uint64_t cycles);

private:
    double CyclesPerNanosecond() const { return factor_ * kBoardCyclesPerSecond * 1e-9; }

    unsigned factor_;
    Clock::time_point start_{};
    std::uint64_t startCycles_ = 0;
};

// The speed a run reached, in MHz of the processor clock, measured over windows of half a
// second.
class SpeedMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kWindow = std::chrono::milliseconds(500);

    void Restart(Clock::time_point now, std::uint64_t cycles);
    // Counts the run up to `now`; true when a window ended and Megahertz() changed.
    bool Update(Clock::time_point now, std::uint64_t cycles);
    double Megahertz() const { return megahertz_; }

private:
    Clock::time_point start_{};
    std::uint64_t startCycles_ = 0;
    double megahertz_ = 0;
};

}  // namespace tarvok
