// Functions bound by name from a DLL at their first call, declared in one table per DLL:
//     inline const DllFunction<kUser32, UINT(HWND)> GetDpiForWindow{"GetDpiForWindow"};
// Without the DLL, or without the entry, a call does nothing and returns the given fallback.
#pragma once
#include <windows.h>

#include <atomic>
#include <type_traits>

namespace kino {

inline constexpr wchar_t kUser32[] = L"user32.dll";

template <const wchar_t* Dll>
HMODULE DllModule() {
    static const HMODULE module = LoadLibraryW(Dll);
    return module;
}

template <const wchar_t* Dll, typename Signature>
class DllFunction;

template <const wchar_t* Dll, typename Result, typename... Args>
class DllFunction<Dll, Result(Args...)> {
public:
    using Pointer = Result(WINAPI*)(Args...);
    using Fallback = std::conditional_t<std::is_void_v<Result>, int, Result>;

    constexpr explicit DllFunction(const char* name, Fallback fallback = {}) : name_(name), fallback_(fallback) {}

    // The address, looked up at the first call; threads may race here and find the same one.
    // A missing entry is looked up again next time (only on a broken system).
    Pointer Address() const {
        void* address = address_.load(std::memory_order_acquire);
        if (!address && DllModule<Dll>()) {
            address = reinterpret_cast<void*>(GetProcAddress(DllModule<Dll>(), name_));
            address_.store(address, std::memory_order_release);
        }
        return reinterpret_cast<Pointer>(address);
    }

    Result operator()(Args... args) const {
        if (const Pointer function = Address()) return function(args...);
        if constexpr (!std::is_void_v<Result>) return fallback_;
    }

private:
    const char* name_;
    Fallback fallback_;
    mutable std::atomic<void*> address_{nullptr};
};

}  // namespace kino
