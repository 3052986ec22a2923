#include "cli/Deadline.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace quorvel::cli {

namespace {
constexpr int kPollMs = 50;
}

Deadline::Deadline(double seconds)
    : seconds_(seconds),
      end_(std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds))) {}

bool Deadline::passed() const {
    return std::chrono::steady_clock::now() >= end_;
}

int Deadline::remainingMs() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 1'000'000'000));
}

void Deadline::pause() const {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kPollMs, remainingMs())));
}

std::string Deadline::waitedText() const {
    char text[64];
    std::snprintf(text, sizeof text, "%g second%s", seconds_, seconds_ == 1 ? "" : "s");
    return text;
}

}  // namespace quorvel::cli
