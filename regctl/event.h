// An event of a control: one handler at most, called synchronously by its owner alone.
#pragma once

#include <functional>
#include <utility>

namespace regctl {

// The arguments go to the handler by reference; the owner reads nothing back.
template <typename Owner, typename... Args>
class Event {
public:
    using Handler = std::function<void(Args&...)>;

    // Attaches a handler, replacing any earlier one; an empty handler detaches.
    void Handle(Handler handler) { handler_ = std::move(handler); }

private:
    friend Owner;

    void Raise(Args&... args) const {
        if (!handler_) return;
        // A handler may replace itself while it runs; call a copy.
        const Handler handler = handler_;
        handler(args...);
    }

    Handler handler_;
};

}  // namespace regctl
