#include "platform/dnd/ClipboardFormats.h"

#include <map>
#include <mutex>
#include <string>

namespace quorvel::dnd {

UINT RegisterClipboardFormatA(const char* name) {
    static std::mutex mutex;
    static std::map<std::string, UINT> numbers;
    static UINT next = 0xC000;

    if (!name || !*name) {
        return 0;
    }
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    std::lock_guard<std::mutex> lock(mutex);
    auto it = numbers.find(key);
    if (it != numbers.end()) {
        return it->second;
    }
    if (next > 0xFFFF) {
        return 0;
    }
    numbers.emplace(key, next);
    return next++;
}

}  // namespace quorvel::dnd
