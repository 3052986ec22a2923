#pragma once

namespace quorvel {

// Initialises GMime once for the process; safe to call from any thread and
// any number of times. Every user of GMime in the preview calls this first.
void ensureGMimeInit();

}  // namespace quorvel
