#pragma once

#include <chrono>
#include <string>

namespace quorvel::cli {

// How long a command waits for another program that holds the archive,
// unless --wait says otherwise.
inline constexpr double kDefaultWaitSeconds = 30;

// The moment a command stops waiting for another program and fails.
class Deadline {
public:
    explicit Deadline(double seconds);
    bool passed() const;
    // Milliseconds left, 0 once passed.
    int remainingMs() const;
    // Sleeps a short while before the next try, never past the deadline.
    void pause() const;
    // "30 seconds", for messages.
    std::string waitedText() const;

private:
    double seconds_;
    std::chrono::steady_clock::time_point end_;
};

}  // namespace quorvel::cli
