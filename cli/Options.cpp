#include "cli/Options.h"

#include <charconv>
#include <string>

#include "archive/Schema.h"
#include "cli/Deadline.h"

namespace quorvel::cli {

namespace {

constexpr double kMaxWaitSeconds = 86400;

// The value after `name`, removed from args with it; false when `name` is
// not there. `missing` is set when it is there without a value.
bool takeValue(Args& args, std::string_view name, std::string& value, bool& missing) {
    missing = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) {
            continue;
        }
        if (i + 1 >= args.size()) {
            missing = true;
            return false;
        }
        value = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return true;
    }
    return false;
}

}  // namespace

bool takeFolder(Args& args, int32_t& folder, std::ostream& err) {
    std::string value;
    bool missing = false;
    if (!takeValue(args, "--folder", value, missing)) {
        if (missing) {
            err << "quorvel-cli: --folder needs a folder ID\n";
        }
        return !missing;
    }
    if (archive::keyToId(value) <= 0) {
        err << "quorvel-cli: --folder needs a folder ID\n";
        return false;
    }
    folder = archive::keyToId(value);
    return true;
}

bool takeWait(Args& args, double& seconds, std::ostream& err) {
    seconds = kDefaultWaitSeconds;
    std::string value;
    bool missing = false;
    if (!takeValue(args, "--wait", value, missing)) {
        if (missing) {
            err << "quorvel-cli: --wait needs a number of seconds\n";
        }
        return !missing;
    }
    double parsed = -1;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (ec != std::errc() || end != value.data() + value.size() || !(parsed >= 0 && parsed <= kMaxWaitSeconds)) {
        err << "quorvel-cli: --wait needs a number of seconds from 0 to " << kMaxWaitSeconds << ", not " << value
            << "\n";
        return false;
    }
    seconds = parsed;
    return true;
}

bool takeFlag(Args& args, std::string_view flag) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag) {
            args.erase(args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

bool refuseUnknownOption(const Args& args, std::ostream& err) {
    for (const std::string& arg : args) {
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            err << "quorvel-cli: unknown option " << arg << "\n";
            return true;
        }
    }
    return false;
}

}  // namespace quorvel::cli
