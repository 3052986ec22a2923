#include "maillist/DragOut.h"

namespace quorvel {

namespace {
constexpr size_t kMaxFileNameBytes = 255;
const std::string kExtension = ".eml";
}  // namespace

std::string dragOutFolder(const std::string& workPath) {
    return workPath + "/drag";
}

std::string f_slash2anderB(const std::string& trgStr) {
    std::string out = trgStr;
    for (char& c : out) {
        if (c == '/') {
            c = '_';
        }
    }
    return out;
}

std::vector<std::string> dragOutNames(const std::vector<std::string>& subjects) {
    const size_t n = subjects.size();
    std::vector<int> later(n, 0);
    for (size_t i = 1; i < n; ++i) {
        for (size_t k = 0; k < i; ++k) {
            if (subjects[k] == subjects[i]) {
                ++later[k];
            }
        }
    }
    std::vector<std::string> names(subjects);
    for (size_t i = 0; i < n; ++i) {
        if (names[i].empty()) {
            ++later[i];
        }
        if (later[i] != 0) {
            names[i] += "(" + std::to_string(later[i]) + ")";
        }
    }
    return names;
}

std::string dragOutFileName(const std::string& name) {
    // No control character reaches a file name: a line break or an escape
    // there breaks every listing that shows it.
    std::string base;
    for (char c : f_slash2anderB(name)) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0) {
            continue;
        }
        base += u < 0x20 || u == 0x7F ? ' ' : c;
    }
    const size_t room = kMaxFileNameBytes - kExtension.size();
    if (base.size() > room) {
        // Keep a "(n)" suffix: it is what keeps the names of one drag apart.
        std::string suffix;
        const size_t open = base.rfind('(');
        if (open != std::string::npos && base.back() == ')' && base.size() - open <= 12) {
            suffix = base.substr(open);
        }
        size_t cut = room - suffix.size();
        // Never cut inside a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        base = base.substr(0, cut) + suffix;
    }
    if (base == "." || base == "..") {
        base = "_" + base;
    }
    return base + kExtension;
}

}  // namespace quorvel
