// The built program folder stands on its own: every binary in it finds the
// libraries it needs beside itself ($ORIGIN), never through a path naming the
// build folder, so a copy of the folder runs with its own libraries.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

const fs::path kProgramDir = QUORVEL_PROGRAM_DIR;

bool isElf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, 4) && magic[0] == 0x7f && std::string_view(magic + 1, 3) == "ELF";
}

std::vector<fs::path> programBinaries() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(kProgramDir)) {
        if (entry.is_regular_file() && isElf(entry.path())) {
            found.push_back(entry.path());
        }
    }
    return found;
}

// Standard output of a shell command; its exit status in `status`.
std::string capture(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
        out.append(buf, n);
    }
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// The entries of a binary's RUNPATH and RPATH, as readelf shows them.
std::vector<std::string> searchPath(const fs::path& binary) {
    int status = 0;
    const std::string dynamic = capture("readelf -d '" + binary.string() + "'", status);
    EXPECT_EQ(status, 0) << binary;
    EXPECT_NE(dynamic.find("Dynamic section"), std::string::npos) << binary << ": no dynamic section read";
    std::vector<std::string> entries;
    std::istringstream lines(dynamic);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("(RUNPATH)") == std::string::npos && line.find("(RPATH)") == std::string::npos) {
            continue;
        }
        const size_t open = line.find('['), close = line.rfind(']');
        const std::string list = line.substr(open + 1, close - open - 1);
        size_t from = 0;
        for (size_t colon; (colon = list.find(':', from)) != std::string::npos; from = colon + 1) {
            entries.push_back(list.substr(from, colon - from));
        }
        entries.push_back(list.substr(from));
    }
    return entries;
}

// An entry that names a folder (or an empty one, which means the current
// folder) would let a copy load another folder's libraries.
TEST(ProgramFolder, binariesSearchOnlyBesideThemselves) {
    for (const fs::path& binary : programBinaries()) {
        for (const std::string& entry : searchPath(binary)) {
            EXPECT_TRUE(entry.rfind("$ORIGIN", 0) == 0 || entry.rfind("${ORIGIN}", 0) == 0)
                << binary.filename() << " searches \"" << entry << "\"";
        }
    }
}

// The dynamic loader, asked where a copy's libraries come from, names the
// copy's folder; and the copied tool runs. (The program, the tool and both
// libraries must be there for that.)
TEST(ProgramFolder, aCopyLoadsItsOwnLibraries) {
    quorvel::test::IsolatedXdg env;
    quorvel::test::TempDir copy;
    for (const fs::path& binary : programBinaries()) {
        fs::copy_file(binary, fs::path(copy.path()) / binary.filename());
    }
    for (const char* binary : {"quorvel", "libtromsel.so"}) {
        int status = 0;
        const std::string loaded = capture("ldd '" + copy.file(binary) + "'", status);
        EXPECT_EQ(status, 0) << binary;
        EXPECT_NE(loaded.find("libqv_dnd.so => " + copy.file("libqv_dnd.so")), std::string::npos)
            << binary << " loads:\n"
            << loaded;
    }
    int status = 0;
    const std::string help = capture("'" + copy.file("quorvel-cli") + "' --help", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(help.find("Usage: quorvel-cli"), std::string::npos);
}

}  // namespace
