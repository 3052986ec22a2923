#pragma once

// The library is built with hidden symbols and a version script; exactly the
// four entry points of an in-process server carry this mark.
#define TROMSEL_EXPORT extern "C" __attribute__((visibility("default")))
