#include "maillist/preview/GMimeInit.h"

#include <gmime/gmime.h>

#include <mutex>

namespace quorvel {

void ensureGMimeInit() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

}  // namespace quorvel
