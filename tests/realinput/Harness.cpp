#include "tests/realinput/Harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <utility>

#include "tests/support/TestEnv.h"

extern char** environ;

namespace fs = std::filesystem;

namespace quorvel::test::realinput {

namespace {

int statusOf(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    return WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

std::string seconds(milliseconds time) {
    std::ostringstream s;
    s << static_cast<double>(time.count()) / 1000.0;
    return s.str();
}

}  // namespace

Env currentEnvironment() {
    Env env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos) {
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    return env;
}

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

void pauseFor(milliseconds time) {
    std::this_thread::sleep_for(time);
}

Child::Child(const std::vector<std::string>& argv, const Env& env, const std::string& outFile,
             const std::string& errFile, int keepFd) {
    // Everything the child needs is made before the fork: after it, the child
    // calls only what is safe in a copy of a threaded process.
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) {
        envText.push_back(name + "=" + value);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || err < 0) {
        ADD_FAILURE() << "cannot open the output files " << outFile << ", " << errFile;
        for (int fd : {in, out, err}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (keepFd >= 0) {
            ::fcntl(keepFd, F_SETFD, ::fcntl(keepFd, F_GETFD) & ~FD_CLOEXEC);
        }
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(in);
    ::close(out);
    ::close(err);
    if (pid < 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return;
    }
    ::setpgid(pid, pid);  // also here, so that the group exists whichever side runs first
    pid_ = pid;
}

Child::~Child() {
    stop();
}

Child::Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)), status_(other.status_) {}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        status_ = other.status_;
    }
    return *this;
}

bool Child::running() {
    if (pid_ <= 0 || status_) {
        return false;
    }
    int raw = 0;
    const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
    if (done == pid_) {
        status_ = statusOf(raw);
        return false;
    }
    return done == 0;
}

std::optional<int> Child::waitExit(milliseconds timeout) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    waitUntil([this] { return !running(); }, timeout);
    return status_;
}

void Child::stop(milliseconds grace) {
    if (!running()) {
        return;
    }
    // The group: a program's own children go with it.
    ::kill(-pid_, SIGTERM);
    if (waitUntil([this] { return !running(); }, grace)) {
        return;
    }
    ::kill(-pid_, SIGKILL);
    int raw = 0;
    if (::waitpid(pid_, &raw, 0) == pid_) {
        status_ = statusOf(raw);
    }
}

RunResult runCommand(const std::vector<std::string>& argv, const Env& env, const std::string& scratchDir,
                     milliseconds timeout) {
    static std::atomic<int> counter{0};
    const std::string stem = scratchDir + "/run" + std::to_string(++counter);
    RunResult result;
    {
        Child child(argv, env, stem + ".out", stem + ".err");
        const std::optional<int> status = child.waitExit(timeout);
        result.status = status.value_or(-1);
    }
    result.out = readFile(stem + ".out");
    result.err = readFile(stem + ".err");
    std::error_code ec;
    fs::remove(stem + ".out", ec);
    fs::remove(stem + ".err", ec);
    return result;
}

XServer::XServer(int width, int height, const std::string& scratchDir) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return;
    }
    // The server picks a free display number and writes it to the pipe;
    // nothing else on the machine is asked or touched.
    server_ = Child({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                     std::to_string(width) + "x" + std::to_string(height) + "x24", "-dpi", "96", "-nolisten", "tcp",
                     "-ac", "-noreset"},
                    currentEnvironment(), scratchDir + "/xvfb.out", scratchDir + "/xvfb.err", fds[1]);
    ::close(fds[1]);
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 200) > 0) {
            char buffer[32];
            const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
            if (got <= 0) {
                break;  // the server ended
            }
            number.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        error_ = "Xvfb did not report a display: " + readFile(scratchDir + "/xvfb.err");
        server_.stop();
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

void Input::xdo(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult r = runCommand(argv, env_, scratch_, milliseconds(60000));
    EXPECT_EQ(r.status, 0) << "xdotool " << args.front() << " failed: " << r.err;
}

std::optional<std::string> Input::waitForWindow(const std::string& title, milliseconds timeout) const {
    const RunResult r = runCommand({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, env_,
                                   scratch_, timeout);
    std::istringstream lines(r.out);
    std::string first;
    if (r.status != 0 || !std::getline(lines, first) || first.empty()) {
        return std::nullopt;
    }
    return first;
}

std::optional<WindowGeometry> Input::geometry(const std::string& window) const {
    const RunResult r =
        runCommand({"xdotool", "getwindowgeometry", "--shell", window}, env_, scratch_, milliseconds(20000));
    if (r.status != 0) {
        return std::nullopt;
    }
    std::map<std::string, int> values;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
        }
    }
    if (!values.count("X") || !values.count("WIDTH")) {
        return std::nullopt;
    }
    return WindowGeometry{values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

std::string Input::focusedWindow() const {
    const RunResult r = runCommand({"xdotool", "getwindowfocus"}, env_, scratch_, milliseconds(20000));
    std::istringstream lines(r.out);
    std::string first;
    std::getline(lines, first);
    return first;
}

void Input::moveTo(Point p) const {
    xdo({"mousemove", std::to_string(p.x), std::to_string(p.y)});
}

void Input::press() const {
    xdo({"mousedown", "1"});
}

void Input::release() const {
    xdo({"mouseup", "1"});
}

void Input::click(Point p) const {
    xdo({"mousemove", std::to_string(p.x), std::to_string(p.y), "sleep", "0.1", "click", "1"});
}

void Input::shiftClick(Point p) const {
    xdo({"mousemove", std::to_string(p.x), std::to_string(p.y), "sleep", "0.1", "keydown", "shift", "click", "1",
         "keyup", "shift"});
}

void Input::glide(const std::vector<Point>& points, int stepPx, milliseconds stepPause) const {
    if (points.empty()) {
        return;
    }
    std::vector<std::string> args;
    auto moveTo = [&](int x, int y) {
        args.insert(args.end(), {"mousemove", std::to_string(x), std::to_string(y), "sleep", seconds(stepPause)});
    };
    moveTo(points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i) {
        const Point from = points[i - 1];
        const Point to = points[i];
        const int distance = std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
        const int steps = std::max(1, (distance + stepPx - 1) / stepPx);
        for (int s = 1; s <= steps; ++s) {
            moveTo(from.x + (to.x - from.x) * s / steps, from.y + (to.y - from.y) * s / steps);
        }
    }
    xdo(args);
}

void Input::key(const std::string& keys) const {
    xdo({"key", "--delay", "60", keys});
}

void Input::type(const std::string& text) const {
    xdo({"type", "--delay", "60", text});
}

bool Input::screenshot(const std::string& grabber, const std::string& path) const {
    return runCommand({grabber, path}, env_, scratch_, milliseconds(30000)).status == 0;
}

}  // namespace quorvel::test::realinput
