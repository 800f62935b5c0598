#pragma once
// An owning automation string (BSTR): frees it exactly once. A null BSTR is a valid empty value.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace rw::win {

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }
    ~Bstr() { Reset(); }

    // Adopts a BSTR that the caller owns.
    static Bstr Attach(BSTR s) {
        Bstr result;
        result.s_ = s;
        return result;
    }
    // A new copy of any BSTR (keeps embedded nulls; null stays null). Null on out-of-memory too:
    // callers that must tell the two apart compare with the source.
    static Bstr Copy(BSTR s) {
        Bstr result;
        if (s) {
            result.s_ = SysAllocStringLen(s, SysStringLen(s));
        }
        return result;
    }

    BSTR Get() const { return s_; }
    BSTR* Put() {
        Reset();
        return &s_;
    }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    void Reset(BSTR s = nullptr) {
        if (s_ != s) {
            SysFreeString(s_);
        }
        s_ = s;
    }
    UINT Length() const { return SysStringLen(s_); }
    std::wstring_view View() const { return View(s_); }
    // The text of a BSTR that someone else owns (a parameter), embedded NULs included.
    static std::wstring_view View(BSTR s) {
        return s ? std::wstring_view(s, ::SysStringLen(s)) : std::wstring_view(L"");
    }
    explicit operator bool() const { return s_ != nullptr; }

private:
    BSTR s_ = nullptr;
};

} // namespace rw::win
