#include "platform/com/Bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/text/Utf8Encode.h"

namespace quorvel::com {

namespace {

// The byte length sits in the four bytes before the text.
constexpr size_t kPrefix = sizeof(std::uint32_t);

void appendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    const size_t bytes = size_t(length) * sizeof(OLECHAR);
    if (bytes > 0xFFFFFFF0u) {
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block) {
        return nullptr;
    }
    const std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &prefix, kPrefix);
    auto* s = reinterpret_cast<BSTR>(block + kPrefix);
    if (text && length) {
        std::memcpy(s, text, bytes);
    } else {
        std::memset(s, 0, bytes);
    }
    s[length] = 0;
    return s;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) {
        return nullptr;
    }
    UINT n = 0;
    while (text[n]) {
        ++n;
    }
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text) {
    if (text) {
        std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
    }
}

UINT SysStringLen(BSTR text) {
    if (!text) {
        return 0;
    }
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - kPrefix, kPrefix);
    return bytes / sizeof(OLECHAR);
}

std::u16string utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        char32_t cp = 0;
        size_t len = 0;
        char32_t min = 0;
        if (c < 0x80) {
            cp = c, len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, len = 2, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, len = 3, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, len = 4, min = 0x10000;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                ok = false;
            } else {
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;  // resynchronise on the next byte
            continue;
        }
        appendUtf16(out, cp);
        i += len;
    }
    return out;
}

std::string utf16ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate
        }
        text::appendUtf8(out, c);
    }
    return out;
}

BSTR bstrFromUtf8(const std::string& text) {
    const std::u16string wide = utf8ToUtf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string bstrToUtf8(BSTR text) {
    if (!text) {
        return {};
    }
    return utf16ToUtf8(std::u16string(text, SysStringLen(text)));
}

}  // namespace quorvel::com
