#pragma once
// Event properties: a nullable, copyable handler bound to an object, so a form can
// save a handler, install another and put the first one back.
#include <atomic>
#include <cstring>
#include <functional>
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
        FData = new Held{{1}, std::move(held)};
        FCall = &CallFunction;
    }

    // A module holds thousands of events, nearly all empty or bound to methods: a callable is
    // kept apart, shared by the copies, so the event stays four words.
    TEvent(const TEvent& other) : FData(other.FData), FCall(other.FCall) {
        std::memcpy(FCode, other.FCode, sizeof(FCode));
        if (HoldsFunction()) Shared()->Refs.fetch_add(1, std::memory_order_relaxed);
    }
    TEvent(TEvent&& other) noexcept : FData(other.FData), FCall(other.FCall) {
        std::memcpy(FCode, other.FCode, sizeof(FCode));
        other.FData = nullptr;
        other.FCall = nullptr;
    }
    TEvent& operator=(const TEvent& other) {
        if (this != &other) *this = TEvent(other);
        return *this;
    }
    TEvent& operator=(TEvent&& other) noexcept {
        if (this != &other) {
            Release();
            FData = other.FData;
            FCall = other.FCall;
            std::memcpy(FCode, other.FCode, sizeof(FCode));
            other.FData = nullptr;
            other.FCall = nullptr;
        }
        return *this;
    }
    ~TEvent() { Release(); }

    explicit operator bool() const { return FCall != nullptr; }
    bool Assigned() const { return FCall != nullptr; }

    void operator()(Args... args) const {
        if (FCall) FCall(*this, std::forward<Args>(args)...);
    }

    // The bound object (the "Data" half of a method pointer); null for plain callables.
    void* Data() const { return HoldsFunction() ? nullptr : FData; }

    bool operator==(const TEvent& other) const {
        if (FCall != other.FCall) return false;
        if (!FCall) return true;
        if (HoldsFunction()) return FData == other.FData;
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
    struct Held {
        std::atomic<long> Refs;
        std::function<void(Args...)> Fn;
    };
    static void CallFunction(const TEvent& e, Args... args) { e.Shared()->Fn(std::forward<Args>(args)...); }
    bool HoldsFunction() const { return FCall == &CallFunction; }
    Held* Shared() const { return static_cast<Held*>(FData); }
    void Release() {
        if (HoldsFunction() && Shared()->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete Shared();
    }

    void* FData = nullptr;
    Thunk FCall = nullptr;
    alignas(void*) unsigned char FCode[2 * sizeof(void*)]{};
};

using TNotifyEvent = TEvent<TObject*>;
