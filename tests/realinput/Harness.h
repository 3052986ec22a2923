#pragma once

// Processes, a private X server and real input for the tests that drive the
// built program: every child runs in its own process group with an
// environment of the test's making, and is stopped when its object goes.

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::test::realinput {

using Env = std::map<std::string, std::string>;
using std::chrono::milliseconds;

// The environment of this process.
Env currentEnvironment();
// The full path of a program found on PATH, or "" when there is none.
std::string findOnPath(const std::string& program);

// A child process in a process group of its own. Standard output and error go
// to files; `keepFd` is a descriptor the child inherits (for -displayfd).
class Child {
public:
    Child() = default;
    Child(const std::vector<std::string>& argv, const Env& env, const std::string& outFile, const std::string& errFile,
          int keepFd = -1);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;

    bool started() const { return pid_ > 0; }
    // Whether it still runs; reaps it when it has ended.
    bool running();
    // Waits for the end: the exit status (128 + signal number for a signal),
    // or nothing when it still runs after `timeout`.
    std::optional<int> waitExit(milliseconds timeout);
    // Ends the whole process group: SIGTERM, then SIGKILL after `grace`.
    void stop(milliseconds grace = milliseconds(3000));

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A command run to its end: its exit status (-1 when it was stopped at the
// deadline) and its output.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};
RunResult runCommand(const std::vector<std::string>& argv, const Env& env, const std::string& scratchDir,
                     milliseconds timeout);

void pauseFor(milliseconds time);

// Polls `done` every 50 ms until it answers true or the deadline passes.
template <typename Fn>
bool waitUntil(Fn done, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        pauseFor(milliseconds(50));
    }
}

// An Xvfb on a display number the server picks itself, stopped with the
// object. `env` gets DISPLAY for the clients.
class XServer {
public:
    XServer(int width, int height, const std::string& scratchDir);
    ~XServer() { server_.stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or "" when the server did not come up (error() says why).
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }

private:
    Child server_;
    std::string display_;
    std::string error_;
};

struct Point {
    int x = 0;
    int y = 0;
};
struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The pointer and the keyboard of one X server, through xdotool (XTEST: the
// server sees them as a person's input).
class Input {
public:
    Input(Env env, std::string scratchDir) : env_(std::move(env)), scratch_(std::move(scratchDir)) {}

    // The visible top-level window whose whole name is `title`, waited for.
    std::optional<std::string> waitForWindow(const std::string& title, milliseconds timeout) const;
    std::optional<WindowGeometry> geometry(const std::string& window) const;
    // The window that has the keyboard.
    std::string focusedWindow() const;

    void moveTo(Point p) const;
    void press() const;
    void release() const;
    void click(Point p) const;
    void shiftClick(Point p) const;
    // Moves through the points in steps of at most `stepPx`, pausing
    // `stepPause` after each, as a hand moves a mouse.
    void glide(const std::vector<Point>& points, int stepPx = 12, milliseconds stepPause = milliseconds(25)) const;
    void key(const std::string& keys) const;
    void type(const std::string& text) const;
    // The whole screen as a PNG file, through `grabber` (a Qt program).
    bool screenshot(const std::string& grabber, const std::string& path) const;

private:
    void xdo(const std::vector<std::string>& args) const;

    Env env_;
    std::string scratch_;
};

}  // namespace quorvel::test::realinput
