#pragma once

#include <algorithm>
#include <vector>

namespace tarvok {

// The subscribers of one kind of notice. Any number may subscribe (several windows follow the
// same device); while none does, a notice costs one emptiness test. A subscriber must not add or
// remove others from inside a notice.
template <typename Listener>
class Listeners {
public:
    void Add(Listener* listener) {
        if (listener != nullptr && std::find(list_.begin(), list_.end(), listener) == list_.end())
            list_.push_back(listener);
        empty_ = list_.empty();
    }
    void Remove(Listener* listener) {
        std::erase(list_, listener);
        empty_ = list_.empty();
    }
    // One load on the paths that run every step, where nobody is usually subscribed.
    bool Empty() const { return empty_; }
    std::size_t Size() const { return list_.size(); }

    // Calls notice(listener) for every subscriber, in the order they subscribed. The loop stays
    // out of line: devices notify on paths that run every cycle, mostly with nobody listening.
    template <typename Notice>
    void Notify(Notice&& notice) const {
        if (!empty_) [[unlikely]]
            NotifyAll(notice);
    }
    // True when any subscriber answers true.
    template <typename Question>
    bool Any(Question&& question) const {
        return std::any_of(list_.begin(), list_.end(), [&](Listener* l) { return question(*l); });
    }

private:
    template <typename Notice>
    [[gnu::noinline]] void NotifyAll(Notice& notice) const {
        for (std::size_t i = 0; i < list_.size(); ++i)
            notice(*list_[i]);
    }

    std::vector<Listener*> list_;
    bool empty_ = true;
};

}  // namespace tarvok
