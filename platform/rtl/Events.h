#pragma once
// Event properties: a nullable, copyable handler bound to an object, so a form can
// save a handler, install another and put the first one back.
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class TObject;

template <typename... Args>
class TEvent {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}

    // A method of an object, as the class library's method pointers: held in place, called
    // through a thunk made for its class, so binding one allocates nothing.
    template <class C, class R>
    TEvent(C* object, R (C::*method)(Args...)) : FData(object), FCall(&CallMethod<C, R>) {
        static_assert(sizeof(method) <= sizeof(FCode), "method pointer too large");
        std::memcpy(FCode, &method, sizeof(method));
    }

    // Any callable; compares equal only to copies of itself (they share it).
    template <class F, class = std::enable_if_t<std::is_invocable_v<F&, Args...> &&
                                                !std::is_same_v<std::decay_t<F>, TEvent>>>
    TEvent(F fn) {
        std::function<void(Args...)> held(std::move(fn));
        if (!held) return;  // an empty function or a null pointer assigns nothing
        FFn = std::make_shared<const std::function<void(Args...)>>(std::move(held));
        FCall = &CallFunction;
    }

    explicit operator bool() const { return FCall != nullptr; }
    bool Assigned() const { return FCall != nullptr; }

    void operator()(Args... args) const {
        if (FCall) FCall(*this, std::forward<Args>(args)...);
    }

    // The bound object (the "Data" half of a method pointer); null for plain callables.
    void* Data() const { return FData; }

    bool operator==(const TEvent& other) const {
        if (FCall != other.FCall) return false;
        if (!FCall) return true;
        if (FFn || other.FFn) return FFn == other.FFn;
        return FData == other.FData && std::memcmp(FCode, other.FCode, sizeof(FCode)) == 0;
    }
    bool operator!=(const TEvent& other) const { return !(*this == other); }

private:
    using Thunk = void (*)(const TEvent&, Args...);
    template <class C, class R>
    static void CallMethod(const TEvent& e, Args... args) {
        R (C::*method)(Args...);
        std::memcpy(&method, e.FCode, sizeof(method));
        (static_cast<C*>(e.FData)->*method)(std::forward<Args>(args)...);
    }
    static void CallFunction(const TEvent& e, Args... args) { (*e.FFn)(std::forward<Args>(args)...); }

    void* FData = nullptr;
    Thunk FCall = nullptr;
    alignas(void*) unsigned char FCode[2 * sizeof(void*)]{};
    std::shared_ptr<const std::function<void(Args...)>> FFn;
};

using TNotifyEvent = TEvent<TObject*>;
