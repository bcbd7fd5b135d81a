#pragma once
// Event properties: a nullable, copyable handler bound to an object, so a form can
// save a handler, install another and put the first one back.
#include <array>
#include <cstring>
#include <functional>
#include <utility>

class TObject;

template <typename... Args>
class TEvent {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}

    // A method of an object, as the class library's method pointers.
    template <class C, class R>
    TEvent(C* object, R (C::*method)(Args...)) : FData(object) {
        FFn = [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); };
        static_assert(sizeof(method) <= sizeof(FCode), "method pointer too large");
        std::memcpy(FCode.data(), &method, sizeof(method));
        FHasCode = true;
    }

    // Any callable; compares equal only to copies of itself.
    template <class F, class = std::enable_if_t<std::is_invocable_v<F&, Args...> &&
                                                !std::is_same_v<std::decay_t<F>, TEvent>>>
    TEvent(F fn) : FFn(std::move(fn)) {
        static long serial = 0;
        FSerial = ++serial;
    }

    explicit operator bool() const { return bool(FFn); }
    bool Assigned() const { return bool(FFn); }

    void operator()(Args... args) const {
        if (FFn) FFn(std::forward<Args>(args)...);
    }

    // The bound object (the "Data" half of a method pointer); null for plain callables.
    void* Data() const { return FData; }

    bool operator==(const TEvent& other) const {
        if (!FFn && !other.FFn) return true;
        if (bool(FFn) != bool(other.FFn)) return false;
        if (FHasCode != other.FHasCode) return false;
        if (FHasCode) return FData == other.FData && FCode == other.FCode;
        return FSerial == other.FSerial;
    }
    bool operator!=(const TEvent& other) const { return !(*this == other); }

private:
    std::function<void(Args...)> FFn;
    void* FData = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> FCode{};
    bool FHasCode = false;
    long FSerial = 0;
};

using TNotifyEvent = TEvent<TObject*>;
