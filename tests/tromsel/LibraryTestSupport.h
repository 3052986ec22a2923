#pragma once

// Reaching the built libtromsel.so the way the program does: through the
// class store of an isolated user.

#include <dlfcn.h>

#include <string>

#include "platform/com/Activation.h"
#include "tromsel/TromselRegistration.h"
#include "tests/support/TestEnv.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::test {

inline std::string programDir() {
    return QUORVEL_TEST_PROGRAM_DIR;
}
inline std::string libraryPath() {
    return programDir() + "/libtromsel.so";
}

template <typename Fn>
Fn libraryEntry(const char* name) {
    void* handle = com::loadServerLibrary(libraryPath());
    return handle ? reinterpret_cast<Fn>(::dlsym(handle, name)) : nullptr;
}

// A user whose class store has the library registered, and one new object.
struct ActivatedObject {
    IsolatedXdg xdg;
    com::ComPtr<tromsel::FileDragDrop> object;

    ActivatedObject() {
        EXPECT_TRUE(com::SUCCEEDED(com::ensureTromselRegistered(programDir())));
        EXPECT_EQ(
            com::CoCreateInstance(tromsel::CLSID_UIFileDragDrop, nullptr, tromsel::IID_FileDragDrop, object.putVoid()),
            com::S_OK);
    }
};

}  // namespace quorvel::test
