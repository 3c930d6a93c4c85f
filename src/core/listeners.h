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
    }
    void Remove(Listener* listener) { std::erase(list_, listener); }
    bool Empty() const { return list_.empty(); }
    std::size_t Size() const { return list_.size(); }

    // Calls notice(listener) for every subscriber, in the order they subscribed.
    template <typename Notice>
    void Notify(Notice&& notice) const {
        for (std::size_t i = 0; i < list_.size(); ++i)
            notice(*list_[i]);
    }
    // True when any subscriber answers true.
    template <typename Question>
    bool Any(Question&& question) const {
        return std::any_of(list_.begin(), list_.end(), [&](Listener* l) { return question(*l); });
    }

private:
    std::vector<Listener*> list_;
};

}  // namespace tarvok
