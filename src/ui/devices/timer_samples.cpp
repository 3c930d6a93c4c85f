#include "ui/devices/timer_samples.h"

#include <algorithm>

namespace tarvok {

TimerSamples::~TimerSamples() {
    if (subscribed_) ptm_.RemoveTap(this);
}

void TimerSamples::Route(int timer, RunGatherer* runs) {
    if (timer < 1 || timer > 3) return;
    routes_[timer - 1] = runs;
    const bool wanted =
        std::any_of(routes_.begin(), routes_.end(), [](RunGatherer* r) { return r != nullptr; });
    if (wanted == subscribed_) return;
    subscribed_ = wanted;
    if (wanted) {
        ptm_.AddTap(this);
    } else {
        ptm_.RemoveTap(this);
    }
}

}  // namespace tarvok
