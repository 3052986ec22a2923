// Opening and saving a large archive is two whole-file copies: the working
// copy made when it opens, and the copy back over the archive when it is
// saved. Both are timed against cp on the same file in the same run.
// Usage: copy_bench [SIZE_MB] [WORK_FOLDER]   (default 1024 MB under /tmp)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/fs/FileCopy.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Each copy starts with nothing left to write back from the one before, so
// that every figure is one copy's own cost, flush to disk included.
void settle() { ::sync(); }

// cp onto a new file for the working copy, onto the existing archive for the
// save, as the program's two copies do.
double timeCp(const std::string& from, const std::string& to, bool replace) {
    if (!replace) {
        fs::remove(to);
    }
    settle();
    auto t = Clock::now();
    const std::string command = "cp '" + from + "' '" + to + "' && sync '" + to + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(1);
    }
    return since(t);
}

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 1024;
    const std::string folder = argc > 2 ? argv[2] : (fs::temp_directory_path() / "quorvel-copy-bench").string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string archive = folder + "/big.qvb";
    {
        std::ofstream out(archive, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 31 + 7);
        }
        for (long i = 0; i < megabytes; ++i) {
            block[0] = static_cast<char>(i);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    std::string error;
    for (int round = 0; round < 3; ++round) {
        const double cpNew = timeCp(archive, folder + "/cp.out", false);
        fs::remove(folder + "/big.hvl");
        bool existed = false;
        settle();
        auto t = Clock::now();
        if (!quorvel::platform::copyFileNew(archive, folder + "/big.hvl", error, existed)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const double open = since(t);
        const double cpOver = timeCp(folder + "/big.hvl", folder + "/cp.out", true);
        settle();
        t = Clock::now();
        if (!quorvel::platform::copyFileReplacing(folder + "/big.hvl", archive, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const double save = since(t);
        std::printf("%ld MB: working copy at open %.2f s against cp to a new file %.2f s (%.2fx); save back %.2f s "
                    "against cp over an existing file %.2f s (%.2fx)\n",
                    megabytes, open, cpNew, open / cpNew, save, cpOver, save / cpOver);
    }
    fs::remove_all(folder);
    return 0;
}
