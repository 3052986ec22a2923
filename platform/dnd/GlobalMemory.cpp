#include "platform/dnd/GlobalMemory.h"

#include <cstdlib>
#include <cstring>

namespace quorvel::dnd {

namespace {

struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
    UINT locks;
};

BlockHeader* header(HGLOBAL memory) {
    return static_cast<BlockHeader*>(memory);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) {
        return nullptr;
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
    if (!block) {
        return nullptr;
    }
    block->size = bytes;
    block->locks = 0;
    if (flags & GMEM_ZEROINIT) {
        std::memset(block + 1, 0, bytes);
    }
    return block;
}

void* GlobalLock(HGLOBAL memory) {
    if (!memory) {
        return nullptr;
    }
    ++header(memory)->locks;
    return header(memory) + 1;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (!memory || header(memory)->locks == 0) {
        return 0;
    }
    return --header(memory)->locks > 0;
}

std::size_t GlobalSize(HGLOBAL memory) {
    return memory ? header(memory)->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    std::free(memory);
    return nullptr;
}

void ReleaseStgMedium(STGMEDIUM* medium) {
    if (!medium) {
        return;
    }
    // A stream is always released; memory is freed only when no other
    // object owns it.
    if (medium->tymed == TYMED_ISTREAM && medium->pstm) {
        medium->pstm->Release();
    } else if (medium->tymed == TYMED_HGLOBAL && !medium->pUnkForRelease) {
        GlobalFree(medium->hGlobal);
    }
    if (medium->pUnkForRelease) {
        medium->pUnkForRelease->Release();
    }
    medium->tymed = TYMED_NULL;
    medium->hGlobal = nullptr;
    medium->pUnkForRelease = nullptr;
}

}  // namespace quorvel::dnd
