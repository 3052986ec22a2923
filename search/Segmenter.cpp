#include "search/Segmenter.h"

#include <glib.h>

#include <cstdint>

#include "search/CharFolding.h"

namespace quorvel::search {

namespace {

// Long runs of Han or kana are passed on in parts of this many characters,
// so that the memory a text needs does not grow with it.
constexpr size_t kRunPart = 4096;

// The character at text[pos] and its length; 0 for a byte that starts no
// valid character (a stray continuation byte, an overlong form, a surrogate,
// a sequence cut off).
size_t decodeAt(std::string_view text, size_t pos, uint32_t& c) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const size_t left = text.size() - pos;
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    const auto continuation = [&](size_t i) { return i < left && (p[i] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF && continuation(1)) {
        c = (b0 & 0x1Fu) << 6 | (p[1] & 0x3Fu);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && continuation(1) && continuation(2)) {
        c = (b0 & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        return (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && continuation(1) && continuation(2) && continuation(3)) {
        c = (b0 & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
        return (c >= 0x10000 && c <= 0x10FFFF) ? 4 : 0;
    }
    return 0;
}

std::string takeGlibString(char* text) {
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

int collect(void* context, const Term& term) {
    static_cast<std::vector<OwnedTerm>*>(context)->push_back(
        {std::string(term.text), term.start, term.end, term.colocated, term.loneCjk});
    return 0;
}

}  // namespace

std::string foldText(std::string_view text) {
    std::string valid;
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        valid = text;
    } else {
        valid = takeGlibString(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    }
    // A NUL would end the text for the library.
    valid = valid.substr(0, valid.find('\0'));
    const std::string composed = takeGlibString(g_utf8_normalize(valid.c_str(), -1, G_NORMALIZE_NFKC));
    const std::string folded = takeGlibString(g_utf8_casefold(composed.c_str(), -1));
    return takeGlibString(g_utf8_normalize(folded.c_str(), -1, G_NORMALIZE_NFKC));
}

std::vector<OwnedTerm> Segmenter::terms(std::string_view text, SegmentMode mode) {
    std::vector<OwnedTerm> out;
    run(text, mode, collect, &out);
    return out;
}

int Segmenter::run(std::string_view text, SegmentMode mode, EmitTerm emit, void* context) {
    kind_ = RunKind::None;
    folded_.clear();
    units_.clear();
    runLength_ = 0;
    size_t pos = 0;
    uint32_t c = 0;
    size_t length = text.empty() ? 0 : decodeAt(text, 0, c);
    while (pos < text.size()) {
        if (length == 0) {
            if (const int rc = flush(mode, emit, context)) {
                return rc;
            }
            ++pos;
            length = pos < text.size() ? decodeAt(text, pos, c) : 0;
            continue;
        }
        // The character and the marks that NFKC would put onto it; the
        // character after them is decoded once, here.
        const FoldedChar folded = c < 0x80 ? FoldedChar{} : foldChar(c);
        size_t end = pos + length;
        bool joined = false;
        uint32_t next = 0;
        size_t nextLength = 0;
        while (end < text.size()) {
            nextLength = decodeAt(text, end, next);
            if (nextLength == 0 || next < 0x80 || !foldChar(next).attaches) {
                break;
            }
            end += nextLength;
            joined = true;
            nextLength = 0;
        }
        const int start = static_cast<int>(pos);
        int rc = 0;
        if (joined) {
            rc = addFolded(foldText(text.substr(pos, end - pos)), start, static_cast<int>(end), mode, emit, context);
        } else if (c < 0x80) {
            if (kindOf(c) == CharKind::Word) {
                const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
                rc = add(std::string_view(&lower, 1), start, static_cast<int>(end), RunKind::Word, mode, emit, context);
            } else {
                rc = flush(mode, emit, context);
            }
        } else if (folded.unchanged && folded.kind == CharKind::Cjk) {
            rc = add(text.substr(pos, length), start, static_cast<int>(end), RunKind::Cjk, mode, emit, context);
        } else if (folded.unchanged && folded.kind == CharKind::Word) {
            rc = add(text.substr(pos, length), start, static_cast<int>(end), RunKind::Word, mode, emit, context);
        } else {
            rc = addFolded(folded.text, start, static_cast<int>(end), mode, emit, context);
        }
        if (rc) {
            return rc;
        }
        pos = end;
        c = next;
        length = nextLength;
    }
    return flush(mode, emit, context);
}

int Segmenter::addFolded(std::string_view folded, int start, int end, SegmentMode mode, EmitTerm emit, void* context) {
    size_t pos = 0;
    while (pos < folded.size()) {
        uint32_t c = 0;
        const size_t length = decodeAt(folded, pos, c);
        if (length == 0) {  // folding gives valid text; this is only a guard
            return flush(mode, emit, context);
        }
        const std::string_view one = folded.substr(pos, length);
        pos += length;
        int rc = 0;
        switch (kindOf(c)) {
            case CharKind::Word:
                rc = add(one, start, end, RunKind::Word, mode, emit, context);
                break;
            case CharKind::Cjk:
                rc = add(one, start, end, RunKind::Cjk, mode, emit, context);
                break;
            case CharKind::Mark:
                if (kind_ != RunKind::None && !units_.empty()) {
                    Unit& last = units_.back();
                    if (kind_ == RunKind::Word && folded_.size() + one.size() > kMaxWordBytes) {
                        break;
                    }
                    folded_.insert(last.textEnd, one);
                    last.textEnd += one.size();
                    last.end = end;
                } else {
                    rc = flush(mode, emit, context);
                }
                break;
            case CharKind::Separator:
                rc = flush(mode, emit, context);
                break;
        }
        if (rc) {
            return rc;
        }
    }
    return 0;
}

int Segmenter::add(std::string_view one, int start, int end, RunKind kind, SegmentMode mode, EmitTerm emit,
                   void* context) {
    if (kind_ != kind) {
        if (const int rc = flush(mode, emit, context)) {
            return rc;
        }
        kind_ = kind;
    }
    if (kind == RunKind::Word && folded_.size() + one.size() > kMaxWordBytes) {
        return 0;  // the rest of a very long word is not kept
    }
    if (kind == RunKind::Cjk && units_.size() >= kRunPart) {
        if (const int rc = emitPieces(emit, context)) {
            return rc;
        }
    }
    units_.push_back({folded_.size(), folded_.size() + one.size(), start, end});
    folded_.append(one);
    ++runLength_;
    return 0;
}

int Segmenter::flush(SegmentMode mode, EmitTerm emit, void* context) {
    int rc = 0;
    if (kind_ == RunKind::Word && !units_.empty()) {
        Term term;
        term.text = folded_;
        term.start = units_.front().start;
        term.end = units_.back().end;
        rc = emit(context, term);
    } else if (kind_ == RunKind::Cjk && !units_.empty()) {
        rc = emitPieces(emit, context);
        const Unit& last = units_.back();
        if (!rc && (mode == SegmentMode::Document || runLength_ == 1)) {
            Term term;
            term.text = std::string_view(folded_).substr(last.textStart, last.textEnd - last.textStart);
            term.start = last.start;
            term.end = last.end;
            term.colocated = runLength_ > 1;
            term.loneCjk = true;
            rc = emit(context, term);
        }
    }
    kind_ = RunKind::None;
    folded_.clear();
    units_.clear();
    runLength_ = 0;
    return rc;
}

int Segmenter::emitPieces(EmitTerm emit, void* context) {
    for (size_t i = 0; i + 1 < units_.size(); ++i) {
        const Unit& a = units_[i];
        const Unit& b = units_[i + 1];
        Term term;
        term.text = std::string_view(folded_).substr(a.textStart, b.textEnd - a.textStart);
        term.start = a.start;
        term.end = b.end;
        if (const int rc = emit(context, term)) {
            return rc;
        }
    }
    // The last character stays: it begins the next piece, or stands alone.
    if (units_.size() > 1) {
        Unit last = units_.back();
        folded_.erase(0, last.textStart);
        last.textEnd -= last.textStart;
        last.textStart = 0;
        units_.assign(1, last);
    }
    return 0;
}

}  // namespace quorvel::search
