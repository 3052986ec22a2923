#include "mailboximport/MailDigest.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace quorvel::mailboximport {

MailDigest digestOf(std::string_view bytes) {
    std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(g_checksum_new(G_CHECKSUM_SHA256), &g_checksum_free);
    // GChecksum takes a signed length: a mail longer than that goes in pieces.
    constexpr size_t kPiece = size_t{1} << 30;
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
        const size_t n = std::min(kPiece, bytes.size() - at);
        g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(bytes.data() + at), static_cast<gssize>(n));
    }
    MailDigest digest{};
    gsize length = digest.size();
    g_checksum_get_digest(sum.get(), digest.data(), &length);
    return digest;
}

}  // namespace quorvel::mailboximport
