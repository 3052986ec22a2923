#pragma once

#include <string>

#include "platform/com/HResult.h"

// The length-prefixed UTF-16 text that crosses interfaces. Whoever allocates
// one frees it with SysFreeString; a null BSTR is the empty text.
namespace quorvel::com {

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

// Conversions to and from the UTF-8 used for every text of this system.
// Invalid sequences become U+FFFD; nothing is dropped silently.
std::u16string utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const std::u16string& text);
BSTR bstrFromUtf8(const std::string& text);
std::string bstrToUtf8(BSTR text);

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::string& utf8) : s_(bstrFromUtf8(utf8)) {}
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }
    BSTR* put() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::string utf8() const { return bstrToUtf8(s_); }

private:
    BSTR s_ = nullptr;
};

}  // namespace quorvel::com
