#pragma once

#include <gmime/gmime.h>

#include <mutex>

namespace quorvel::search {

// GMime's own start-up is not safe to race; the index may run on any thread.
inline void ensureGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

}  // namespace quorvel::search
