#pragma once

// The library's count of living objects and server locks: it may be unloaded
// only when both are zero. Changed from any thread, hence atomic.
namespace quorvel::tromsel::module {

void objectCreated();
void objectDestroyed();
void lock();
void unlock();
bool canUnload();

}  // namespace quorvel::tromsel::module
