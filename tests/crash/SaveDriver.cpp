// crash_save_driver WORKING ARCHIVE: copies a working copy over its archive
// as the window's 上書き保存 does, so that a save can be killed at any moment.
#include <iostream>
#include <string>

#include "platform/fs/FileCopy.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: crash_save_driver WORKING ARCHIVE\n";
        return 1;
    }
    std::string error;
    if (!quorvel::platform::copyFileReplacing(argv[1], argv[2], error)) {
        std::cerr << "crash_save_driver: " << error << "\n";
        return 2;
    }
    return 0;
}
