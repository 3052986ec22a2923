#include "search/CharFolding.h"

#include <glib.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel::search {

namespace {

constexpr uint32_t kLastCodePoint = 0x10FFFF;
constexpr uint32_t kBlockSize = 256;
constexpr uint32_t kBlockCount = (kLastCodePoint + 1) / kBlockSize;

struct Entry {
    uint32_t offset = 0;  // of the folded text in the block's pool
    uint8_t length = 0;
    bool attaches = false;
    bool unchanged = false;
    CharKind kind = CharKind::Separator;
};

struct Block {
    std::array<Entry, kBlockSize> entries;
    std::string pool;
};

bool isMark(GUnicodeType type) {
    return type == G_UNICODE_NON_SPACING_MARK || type == G_UNICODE_SPACING_MARK || type == G_UNICODE_ENCLOSING_MARK;
}

std::string takeGlibString(char* text) {
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

std::string foldedText(gunichar c) {
    char bytes[8];
    const int n = g_unichar_to_utf8(c, bytes);
    const std::string composed = takeGlibString(g_utf8_normalize(bytes, n, G_NORMALIZE_NFKC));
    const std::string folded = takeGlibString(g_utf8_casefold(composed.data(), static_cast<gssize>(composed.size())));
    return takeGlibString(g_utf8_normalize(folded.data(), static_cast<gssize>(folded.size()), G_NORMALIZE_NFKC));
}

bool attachesToPrevious(gunichar c) {
    if (isMark(g_unichar_type(c)) || g_unichar_combining_class(c) != 0) {
        return true;
    }
    // Conjoining Hangul vowels and finals compose with the syllable before.
    if ((c >= 0x1160 && c <= 0x11FF) || (c >= 0xD7B0 && c <= 0xD7FF)) {
        return true;
    }
    // The half-width voiced sound marks are no marks themselves, but their
    // compatibility form is, and NFKC puts them onto the kana before.
    gunichar parts[G_UNICHAR_MAX_DECOMPOSITION_LENGTH];
    const gsize n = g_unichar_fully_decompose(c, TRUE, parts, G_UNICHAR_MAX_DECOMPOSITION_LENGTH);
    return n > 0 && g_unichar_combining_class(parts[0]) != 0;
}

CharKind computeKind(gunichar c) {
    const GUnicodeType type = g_unichar_type(c);
    if (isMark(type)) {
        return CharKind::Mark;
    }
    if (c == 0x30FC) {  // ー belongs to no script but lives inside katakana words
        return CharKind::Cjk;
    }
    switch (g_unichar_get_script(c)) {
        case G_UNICODE_SCRIPT_HAN:
        case G_UNICODE_SCRIPT_HIRAGANA:
        case G_UNICODE_SCRIPT_KATAKANA:
        case G_UNICODE_SCRIPT_HANGUL:
            if (type == G_UNICODE_SPACE_SEPARATOR || type == G_UNICODE_CONTROL || type == G_UNICODE_FORMAT) {
                return CharKind::Separator;
            }
            return CharKind::Cjk;
        default:
            break;
    }
    switch (type) {
        case G_UNICODE_LOWERCASE_LETTER:
        case G_UNICODE_UPPERCASE_LETTER:
        case G_UNICODE_TITLECASE_LETTER:
        case G_UNICODE_MODIFIER_LETTER:
        case G_UNICODE_OTHER_LETTER:
        case G_UNICODE_DECIMAL_NUMBER:
        case G_UNICODE_LETTER_NUMBER:
        case G_UNICODE_OTHER_NUMBER:
            return CharKind::Word;
        default:
            return CharKind::Separator;
    }
}

std::unique_ptr<Block> computeBlock(uint32_t index) {
    auto block = std::make_unique<Block>();
    for (uint32_t i = 0; i < kBlockSize; ++i) {
        const gunichar c = index * kBlockSize + i;
        Entry& e = block->entries[i];
        if (!g_unichar_validate(c)) {  // surrogates: never decoded from valid UTF-8
            continue;
        }
        const std::string text = foldedText(c);
        char bytes[8];
        e.unchanged = text == std::string_view(bytes, static_cast<size_t>(g_unichar_to_utf8(c, bytes)));
        e.offset = static_cast<uint32_t>(block->pool.size());
        e.length = static_cast<uint8_t>(std::min<size_t>(text.size(), 255));
        block->pool.append(text, 0, e.length);
        e.attaches = attachesToPrevious(c);
        e.kind = computeKind(c);
    }
    return block;
}

std::array<std::atomic<const Block*>, kBlockCount> blocks{};
std::mutex blockMutex;

const Block& blockOf(uint32_t c) {
    const uint32_t index = c / kBlockSize;
    const Block* block = blocks[index].load(std::memory_order_acquire);
    if (block) {
        return *block;
    }
    std::lock_guard<std::mutex> lock(blockMutex);
    block = blocks[index].load(std::memory_order_relaxed);
    if (!block) {
        // Kept for the life of the process, like the tables it stands for.
        block = computeBlock(index).release();
        blocks[index].store(block, std::memory_order_release);
    }
    return *block;
}

}  // namespace

FoldedChar foldChar(uint32_t c) {
    if (c > kLastCodePoint) {
        return {};
    }
    const Block& block = blockOf(c);
    const Entry& e = block.entries[c % kBlockSize];
    return {std::string_view(block.pool).substr(e.offset, e.length), e.attaches, e.unchanged, e.kind};
}

CharKind kindOf(uint32_t c) {
    if (c < 0x80) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        return alnum ? CharKind::Word : CharKind::Separator;
    }
    if (c > kLastCodePoint) {
        return CharKind::Separator;
    }
    return blockOf(c).entries[c % kBlockSize].kind;
}

}  // namespace quorvel::search
