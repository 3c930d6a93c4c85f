#include "machine/pacing.h"

namespace tarvok {

std::uint64_t Pacer::Allowance(Clock::time_point now, std::uint64_t cycles) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start_);
    auto allowed = startCycles_ + static_cast<std::uint64_t>(static_cast<double>(elapsed.count()) *
                                                             CyclesPerNanosecond());
    const auto maxLag = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(kMaxLag).count() *
        CyclesPerNanosecond());
    if (allowed > cycles + maxLag) {
        Restart(now, cycles);
        allowed = cycles;
    }
    return allowed;
}

void SpeedMeter::Restart(Clock::time_point now, std::uint64_t cycles) {
    start_ = now;
    startCycles_ = cycles;
}

bool SpeedMeter::Update(Clock::time_point now, std::uint64_t cycles) {
    if (now - start_ < kWindow) return false;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    megahertz_ = static_cast<double>(cycles - startCycles_) / seconds / 1e6;
    Restart(now, cycles);
    return true;
}

}  // namespace tarvok
