// DllRegisterServer and DllUnregisterServer of the built library, called by
// the registration command and by the program's start-up check.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/com/RegisterServerCommand.h"
#include "tests/tromsel/LibraryTestSupport.h"

namespace quorvel::test {
namespace {

using namespace com;

const std::string kClass = "CLSID\\{4B40AAC9-17CA-4499-9AFD-F3CDFBA36506}";

TEST(TromselRegistration, theCommandWritesAndRemovesExactlyTheKeys) {
    IsolatedXdg xdg;
    ClassStore store;
    ASSERT_TRUE(store.update([](ClassStoreData& d) {
        d.setValue("CLSID\\{00000000-0000-0000-0000-000000000001}", "", "another class");
        d.setValue(kClass + "\\Stale", "", "left from an old registration");
    }));
    std::ostringstream out, err;
    ASSERT_EQ(runRegisterServerCommand({libraryPath()}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("DllRegisterServer"), std::string::npos);
    EXPECT_NE(out.str().find("succeeded"), std::string::npos);

    // The keys activation and a type library reader follow (their
    // descriptions aside).
    const std::string clsidText = kClass.substr(6), libid = "{FF67AF18-D706-4AA7-9F5F-311979BFD993}";
    const std::string lib = "TypeLib\\" + libid, dual = "Interface\\{8DF7753F-D39C-43F3-9C32-10450A81BF7E}";
    const std::pair<std::string, std::string> written[] = {
        {"tromsel.UIFileDragDrop.1\\CLSID", clsidText},
        {"tromsel.UIFileDragDrop\\CLSID", clsidText},
        {"tromsel.UIFileDragDrop\\CurVer", "tromsel.UIFileDragDrop.1"},
        {kClass + "\\ProgID", "tromsel.UIFileDragDrop.1"},
        {kClass + "\\VersionIndependentProgID", "tromsel.UIFileDragDrop"},
        {kClass + "\\InprocServer32", libraryPath()},
        {kClass + "\\TypeLib", "{FF67AF18-D706-4aa7-9F5F-311979BFD993}"},
        {lib + "\\1.0\\0\\linux", libraryPath()},
        {dual + "\\TypeLib", libid},
        {"Interface\\{7BC22FB9-8CB1-4978-929F-2562967AFB33}\\TypeLib", libid},
    };
    const ClassStoreData d = store.read();
    for (const auto& [key, value] : written) {
        EXPECT_EQ(d.value(key, ""), value) << key;
    }
    EXPECT_EQ(d.value(kClass + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(d.keyExists(kClass + "\\Programmable"));
    EXPECT_FALSE(d.keyExists(kClass + "\\Stale"));  // the class key is replaced whole

    out.str("");
    ASSERT_EQ(runRegisterServerCommand({"-u", libraryPath()}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("DllUnregisterServer"), std::string::npos);
    const ClassStoreData u = store.read();
    for (const std::string& key :
         {std::string("tromsel.UIFileDragDrop.1"), std::string("tromsel.UIFileDragDrop"), kClass, lib, dual}) {
        EXPECT_FALSE(u.keyExists(key)) << key;
    }
    EXPECT_TRUE(u.keyExists("CLSID"));  // never removed
    EXPECT_EQ(u.value("CLSID\\{00000000-0000-0000-0000-000000000001}", ""), "another class");

    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(tromsel::kProgId, &clsid), CO_E_CLASSSTRING);
}

TEST(TromselRegistration, aRelativePathIsRegisteredInFullAndALibraryWithoutEntryIsRefused) {
    IsolatedXdg xdg;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(programDir());
    std::ostringstream out, err;
    const int rc = runRegisterServerCommand({"libtromsel.so"}, out, err);
    std::filesystem::current_path(before);
    ASSERT_EQ(rc, 0) << err.str();
    EXPECT_EQ(ClassStore().value(kClass + "\\InprocServer32"), libraryPath());

    err.str("");
    EXPECT_EQ(runRegisterServerCommand({programDir() + "/libqv_dnd.so"}, out, err), 1);
    EXPECT_NE(err.str().find("no entry point DllRegisterServer"), std::string::npos);
}

TEST(TromselRegistration, theProgramRegistersItsLibraryWhenTheStoreLacksOrLosesIt) {
    IsolatedXdg xdg;
    ClassStore store;
    EXPECT_EQ(ensureTromselRegistered(programDir()), S_OK);
    EXPECT_EQ(store.value(kClass + "\\InprocServer32"), libraryPath());
    EXPECT_EQ(ensureTromselRegistered(programDir()), S_FALSE);

    // The registered library was moved away: registered again from here.
    ASSERT_TRUE(store.update([](ClassStoreData& d) { d.setValue(kClass + "\\InprocServer32", "", "/gone/lib.so"); }));
    EXPECT_EQ(ensureTromselRegistered(programDir()), S_OK);
    EXPECT_EQ(store.value(kClass + "\\InprocServer32"), libraryPath());

    TempDir emptyFolder;
    ASSERT_TRUE(store.update([](ClassStoreData& d) { d.deleteTree("tromsel.UIFileDragDrop"); }));
    EXPECT_EQ(ensureTromselRegistered(emptyFolder.path()), CO_E_DLLNOTFOUND);
}

}  // namespace
}  // namespace quorvel::test
