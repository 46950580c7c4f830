// Functions bound by name from a DLL at their first call, declared in one table per DLL:
//     inline const DllFunction<kUser32, UINT(HWND)> GetDpiForWindow{"GetDpiForWindow"};
// Without the DLL, or without the entry, a call does nothing and returns the given fallback.
// The DLLs come from the system folder only: a file of the same name beside the program (in a
// Downloads folder, say) must never run inside it.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <type_traits>

namespace kino {

inline constexpr wchar_t kUser32[] = L"user32.dll";
inline constexpr wchar_t kKernel32[] = L"kernel32.dll";

// The system folder's DLL of that name, or null.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows 7 without update KB2533623 doesn't know the flag: name the file in full instead, and
    // have the DLL's own imports looked up beside it first.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <const wchar_t* Dll>
HMODULE DllModule() {
    static const HMODULE module = LoadSystemLibrary(Dll);
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
