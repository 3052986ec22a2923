#include "tests/realinput/ProgramSession.h"

#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "tests/support/ArchiveSql.h"

namespace fs = std::filesystem;

namespace quorvel::test::realinput {

namespace {

// How long the program may take for what a person waits for: a start, a
// drop, a save. Generous, as the sanitized build is several times slower.
constexpr milliseconds kStartTimeout(60000);
constexpr milliseconds kToolTimeout(60000);
constexpr milliseconds kDropTimeout(30000);
constexpr milliseconds kQuitTimeout(60000);
// The longest a drag waits at its end for the program to accept it there.
constexpr milliseconds kAnswerTimeout(5000);
// The pause at the end of a drag before the button is let go: the program's
// answer to the last pointer position must be back at the source.
constexpr milliseconds kSettle(600);
// Longer than the double-click time (Qt's 400 ms under a bare X server), so
// that two clicks are two single clicks.
constexpr milliseconds kPastDoubleClick(1000);

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) {
        fields.push_back(f);
    }
    return fields;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The last lines of a text, for failure messages.
std::string tail(const std::string& text, size_t lines = 30) {
    const std::vector<std::string> all = linesOf(text);
    std::string out;
    for (size_t i = all.size() > lines ? all.size() - lines : 0; i < all.size(); ++i) {
        out += all[i] + "\n";
    }
    return out;
}

}  // namespace

std::vector<int> ArchiveListing::foldersOf(const std::string& subject) const {
    std::vector<int> found;
    for (const ListedMail& m : mails) {
        if (m.subject == subject) {
            found.push_back(m.folder);
        }
    }
    return found;
}

int ArchiveListing::mailId(const std::string& subject) const {
    for (const ListedMail& m : mails) {
        if (m.subject == subject) {
            return m.id;
        }
    }
    return 0;
}

void ProgramSession::SetUp() {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (findOnPath(tool).empty()) {
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
        }
    }
    std::error_code ec;
    fs::remove(failureScreenPath(), ec);  // a screen kept from an earlier run
    root_ = std::make_unique<TempDir>();
    const std::string r = root_->path();
    for (const char* folder :
         {"home", "config", "data", "cache", "runtime", "xdg-config", "xdg-data", "mails", "archive", "scratch"}) {
        fs::create_directories(r + "/" + folder);
    }
    ::chmod((r + "/runtime").c_str(), 0700);
    copyProgramFolder();
    writeSettings();
    writeFontConfig();

    if (!findOnPath("fc-list").empty()) {
        const RunResult fonts =
            runCommand({"fc-list", ":family=IPAGothic"}, currentEnvironment(), r + "/scratch", kToolTimeout);
        ASSERT_FALSE(fonts.out.empty()) << "IPA Gothic (fonts-ipafont-gothic) is missing: the rows' places assume it";
    }
    x_ = std::make_unique<XServer>(kScreenWidth, kScreenHeight, r + "/scratch");
    ASSERT_FALSE(x_->display().empty()) << x_->error();

    env_ = currentEnvironment();
    // Nothing of the desktop this test runs on reaches the programs.
    for (const char* name : {"WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP",
                             "XDG_SESSION_TYPE", "DESKTOP_SESSION", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                             "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING",
                             "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_DEVICE_PIXEL_RATIO", "GDK_SCALE"}) {
        env_.erase(name);
    }
    env_["DISPLAY"] = x_->display();
    env_["QT_QPA_PLATFORM"] = "xcb";
    env_["HOME"] = r + "/home";
    env_["XDG_CONFIG_HOME"] = r + "/config";
    env_["XDG_DATA_HOME"] = r + "/data";
    env_["XDG_CACHE_HOME"] = r + "/cache";
    env_["XDG_RUNTIME_DIR"] = r + "/runtime";
    env_["XDG_CONFIG_DIRS"] = r + "/xdg-config";
    env_["XDG_DATA_DIRS"] = r + "/xdg-data";
    // No session bus: nothing is asked of a desktop's services.
    env_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + r + "/no-bus";
    env_["NO_AT_BRIDGE"] = "1";
    input_ = std::make_unique<Input>(env_, r + "/scratch");
}

void ProgramSession::TearDown() {
    if (HasFailure() && root_) {
        keepScreenOfFailure();
    }
    if (root_ && (program_.started() || source_.started())) {
        program_.stop();
        source_.stop();
        if (HasFailure()) {
            std::cerr << "the program's error output:\n" << tail(readFile(root_->path() + "/program.err"));
        }
    }
    x_.reset();  // the X server last: its clients went first
    input_.reset();
    root_.reset();
}

std::string ProgramSession::failureScreenPath() const {
    return std::string(QV_FAILURE_SHOTS) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           ".png";
}

void ProgramSession::keepScreenOfFailure() {
    const std::string kept = failureScreenPath();
    std::error_code ec;
    fs::create_directories(QV_FAILURE_SHOTS, ec);
    fs::remove(kept, ec);
    // The screen now while the program still runs; once it has ended, the
    // screen as it was before the save.
    if (program_.running() && input_ && input_->screenshot(QV_SCREENSHOT, kept)) {
        std::cerr << "the screen at the failure: " << kept << "\n";
    } else if (fs::copy_file(screenBeforeSave(), kept, ec)) {
        std::cerr << "the screen before the save: " << kept << "\n";
    }
}

std::string ProgramSession::screenBeforeSave() const {
    return root_->path() + "/scratch/before-save.png";
}

void ProgramSession::copyProgramFolder() {
    // The program writes into its folder (the drop folder sys/tmp, the
    // working folders below tmp/), so it runs from a copy. The executables
    // are hard links where the file system allows: the program finds its
    // folder from the path it was started by.
    const fs::path built = fs::path(QUORVEL_PROGRAM).parent_path();
    programFolder_ = root_->path() + "/program";
    fs::create_directories(programFolder_ + "/sys/tmp");
    fs::create_directories(programFolder_ + "/tmp");
    auto place = [](const fs::path& from, const fs::path& to) {
        std::error_code ec;
        fs::create_hard_link(from, to, ec);
        if (ec) {
            fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        }
    };
    place(QUORVEL_PROGRAM, programFolder_ + "/" + fs::path(QUORVEL_PROGRAM).filename().string());
    for (const auto& entry : fs::directory_iterator(built)) {
        if (entry.is_regular_file() && entry.path().extension() == ".so") {
            place(entry.path(), programFolder_ + "/" + entry.path().filename().string());
        }
    }
    for (const auto& entry : fs::directory_iterator(built / "sys")) {
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), programFolder_ + "/sys/" + entry.path().filename().string());
        }
    }
}

void ProgramSession::writeSettings() {
    const auto twips = [](int px) { return std::to_string(px * kTwipsPerPixel); };
    writeFile(root_->path() + "/config/Halvane/5172093846152077.conf",
              "MainLeft=" + twips(kMainLeft) + "\nMainTop=" + twips(kMainTop) + "\nMainWidth=" + twips(kMainWidth) +
                  "\nMainHeight=" + twips(kMainHeight) + "\nsplitterHleft=" + twips(kSplitterX) +
                  "\nsplitterVTop=" + twips(kSplitterY) + "\n");
}

void ProgramSession::writeFontConfig() {
    // IPA Gothic for every sans-serif text, whatever else the machine has:
    // the row heights above were measured with it.
    writeFile(root_->path() + "/config/fontconfig/fonts.conf",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
              "  <alias binding=\"strong\"><family>sans-serif</family><prefer><family>IPAGothic</family></prefer>"
              "</alias>\n"
              "  <alias binding=\"strong\"><family>Sans Serif</family><prefer><family>IPAGothic</family></prefer>"
              "</alias>\n"
              "</fontconfig>\n");
}

std::string ProgramSession::writeMail(const std::string& subject) {
    const std::string n = std::to_string(++mailCount_);
    const std::string path = root_->path() + "/mails/mail" + n + ".eml";
    writeFile(path, "From: Sender <sender@example.org>\r\nTo: archive@example.org\r\nSubject: " + subject +
                        "\r\nDate: Tue, 2 Jan 2024 10:" + (mailCount_ < 10 ? "0" : "") + n +
                        ":00 +0900\r\nMessage-ID: <" + n +
                        ".realinput@example.org>\r\nMIME-Version: 1.0\r\n"
                        "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
                        "本文です。" +
                        subject + "\r\n\tタブと空白 \r\n");
    return path;
}

void ProgramSession::makeArchive(const std::vector<Folder>& folders, const std::vector<std::string>& rootMails,
                                 int currentFolder) {
    archive_ = root_->path() + "/archive/mails.qvb";
    const std::string scratch = root_->path() + "/scratch";
    RunResult made = runCommand({QUORVEL_CLI, "new", archive_}, env_, scratch, kToolTimeout);
    ASSERT_EQ(made.status, 0) << made.err;
    if (!rootMails.empty()) {
        std::vector<std::string> args{QUORVEL_CLI, "import", archive_, "--folder", "1"};
        args.insert(args.end(), rootMails.begin(), rootMails.end());
        RunResult imported = runCommand(args, env_, scratch, kToolTimeout);
        ASSERT_EQ(imported.status, 0) << imported.out << imported.err;
    }
    std::string statements = "UPDATE curCondTabl SET curDir = '" + std::to_string(currentFolder) + "_';";
    for (const Folder& f : folders) {
        ASSERT_EQ(f.name.find('\''), std::string::npos) << f.name;
        statements += "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (" + std::to_string(f.id) + ", '" + f.name +
                      "', " + std::to_string(f.parent) + ");";
    }
    ASSERT_TRUE(runSql(archive_, statements));
}

void ProgramSession::startProgram() {
    const std::string exe = programFolder_ + "/" + fs::path(QUORVEL_PROGRAM).filename().string();
    program_ = Child({exe, archive_}, env_, root_->path() + "/program.out", root_->path() + "/program.err");
    const std::optional<std::string> window = input_->waitForWindow("Quorvel", kStartTimeout);
    ASSERT_TRUE(window) << "no program window; its error output:\n" << readFile(root_->path() + "/program.err");
    const std::optional<WindowGeometry> g = input_->geometry(*window);
    ASSERT_TRUE(g);
    // Every point the tests use is worked out from this place and size.
    ASSERT_EQ(g->x, kMainLeft);
    ASSERT_EQ(g->y, kMainTop);
    ASSERT_EQ(g->width, kMainWidth);
    ASSERT_EQ(g->height, kMainHeight);
    origin_ = {g->x, g->y};
    window_ = *window;
}

void ProgramSession::startSource(Offer offer, const std::vector<std::string>& files) {
    const char* mode = offer == Offer::Uris ? "--uris" : offer == Offer::Message ? "--message" : "--descriptor";
    std::vector<std::string> argv{QV_DRAGSOURCE, mode, "--at",
                                  std::to_string(kSourceLeft) + "," + std::to_string(kSourceTop) + "," +
                                      std::to_string(kSourceWidth) + "," + std::to_string(kSourceHeight)};
    argv.insert(argv.end(), files.begin(), files.end());
    source_ = Child(argv, env_, root_->path() + "/source.out", root_->path() + "/source.err");
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto lines = sourceLines();
            return !lines.empty() && lines.front() == "ready";
        },
        kStartTimeout))
        << readFile(root_->path() + "/source.err");
    ASSERT_TRUE(input_->waitForWindow("qv_dragsource", kStartTimeout));
}

std::vector<std::string> ProgramSession::sourceLines() const {
    return linesOf(readFile(root_->path() + "/source.out"));
}

std::string ProgramSession::dragFromSource(const std::vector<Point>& path) {
    const Point start = sourceMiddle();
    input_->moveTo(start);
    pauseFor(milliseconds(200));
    input_->press();
    std::vector<Point> points{start, {start.x - 20, start.y}};
    for (const Point& p : path) {
        points.push_back(at(p));
    }
    input_->glide(points);
    // The answer for the last position may still be on its way: wait until
    // the program takes the drag (a refusal stays "none"), then a moment more.
    waitUntil(
        [&] {
            const auto lines = sourceLines();
            return !lines.empty() && lines.back().starts_with("answer") && lines.back() != "answer none";
        },
        kAnswerTimeout);
    const Point last = points.back();
    input_->glide({{last.x + 1, last.y}, last}, 1, milliseconds(100));
    pauseFor(kSettle);
    input_->release();
    std::string done;
    waitUntil(
        [&] {
            for (const std::string& line : sourceLines()) {
                if (line.starts_with("done ")) {
                    done = line.substr(5);
                    return true;
                }
            }
            return false;
        },
        kDropTimeout);
    EXPECT_FALSE(done.empty()) << "the drag did not end";
    return done;
}

void ProgramSession::dragInProgram(const std::vector<Point>& path) {
    std::vector<Point> points;
    for (const Point& p : path) {
        points.push_back(at(p));
    }
    input_->moveTo(points.front());
    pauseFor(milliseconds(200));
    input_->press();
    input_->glide(points);
    const Point last = points.back();
    input_->glide({{last.x + 1, last.y}, last}, 1, milliseconds(100));
    pauseFor(kSettle);
    input_->release();
    pauseFor(milliseconds(300));
}

void ProgramSession::clickAndWait(Point windowPoint) {
    input_->click(at(windowPoint));
    pauseFor(kPastDoubleClick);
}

void ProgramSession::waitForKeyboard() {
    EXPECT_TRUE(waitUntil([this] { return input_->focusedWindow() == window_; }, kStartTimeout))
        << "the program's window did not get the keyboard";
}

void ProgramSession::saveAndQuit() {
    input_->screenshot(QV_SCREENSHOT, screenBeforeSave());  // shown if the test fails
    input_->click(at(layout_.titleStrip()));                // the keyboard to the program's window
    waitForKeyboard();
    input_->key("alt+f");
    input_->key("s");
    pauseFor(milliseconds(300));
    input_->key("alt+f");
    input_->key("x");
    const std::optional<int> status = program_.waitExit(kQuitTimeout);
    ASSERT_TRUE(status) << "the program did not end after 終了 (a question left open?)";
    EXPECT_EQ(*status, 0) << "the program's error output:\n" << tail(readFile(root_->path() + "/program.err"));
}

ArchiveListing ProgramSession::listArchive() const {
    ArchiveListing listing;
    const std::string scratch = root_->path() + "/scratch";
    const RunResult folders = runCommand({QUORVEL_CLI, "ls", archive_}, env_, scratch, kToolTimeout);
    if (folders.status != 0) {
        listing.error = "quorvel-cli ls failed: " + folders.err;
        return listing;
    }
    for (const std::string& line : linesOf(folders.out)) {
        const std::vector<std::string> f = splitTabs(line);
        if (f.size() == 3) {
            listing.folders.push_back({std::stoi(f[0]), std::stoi(f[1]), f[2]});
        }
    }
    for (const Folder& folder : listing.folders) {
        const RunResult mails = runCommand({QUORVEL_CLI, "ls", archive_, "--folder", std::to_string(folder.id)}, env_,
                                           scratch, kToolTimeout);
        if (mails.status != 0) {
            listing.error = "quorvel-cli ls --folder failed: " + mails.err;
            return listing;
        }
        for (const std::string& line : linesOf(mails.out)) {
            const std::vector<std::string> f = splitTabs(line);
            if (f.size() >= 7) {
                listing.mails.push_back({std::stoi(f[0]), folder.id, f[6]});  // ID, ..., Subject
            }
        }
    }
    return listing;
}

std::string ProgramSession::storedMail(int id) const {
    const std::vector<std::string> rows =
        sqlRows(archive_, "SELECT mailFlObj FROM MailOBJTabl WHERE ID = " + std::to_string(id));
    return rows.empty() ? std::string() : rows[0];
}

std::vector<std::string> ProgramSession::dropFolderFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(programFolder_ + "/sys/tmp")) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

}  // namespace quorvel::test::realinput
