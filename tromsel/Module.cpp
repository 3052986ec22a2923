#include "tromsel/Module.h"

#include <atomic>

namespace quorvel::tromsel::module {

namespace {
std::atomic<long> objects{0};
std::atomic<long> locks{0};
}  // namespace

void objectCreated() {
    ++objects;
}
void objectDestroyed() {
    --objects;
}
void lock() {
    ++locks;
}
void unlock() {
    --locks;
}
bool canUnload() {
    return objects.load() == 0 && locks.load() == 0;
}

}  // namespace quorvel::tromsel::module
