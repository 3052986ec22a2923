// The per-user class store and activation's answers for classes that are
// missing or broken.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/com/Activation.h"
#include "platform/com/ClassStore.h"
#include "platform/com/RegisterServerCommand.h"
#include "tests/support/TestEnv.h"

namespace quorvel::com {
namespace {

using test::IsolatedXdg;

TEST(ClassStore, keysValuesAndTrees) {
    IsolatedXdg xdg;
    ClassStore store;
    EXPECT_EQ(store.path(), xdg.configHome() + "/Halvane/classes.conf");
    EXPECT_FALSE(store.read().keyExists("CLSID"));

    ASSERT_TRUE(store.update([](ClassStoreData& d) {
        d.setValue("CLSID\\{A}\\InprocServer32", "", "/p/lib.so");
        d.setValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment");
        d.createKey("CLSID\\{A}\\Programmable");
        d.setValue("CLSID\\{B}", "", "other\nline \\ and = sign");
        d.setValue("bad]key", "", "x");  // refused
        d.setValue("k", "na=me", "x");   // refused
    }));
    const ClassStoreData d = store.read();
    EXPECT_TRUE(d.keyExists("CLSID"));  // parents exist with their children
    EXPECT_TRUE(d.keyExists("clsid\\{a}\\programmable"));
    EXPECT_FALSE(d.value("CLSID\\{A}\\Programmable", ""));
    EXPECT_EQ(d.value("CLSID\\{a}\\InprocServer32", ""), "/p/lib.so");
    EXPECT_EQ(d.value("CLSID\\{A}\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(d.value("CLSID\\{B}", ""), "other\nline \\ and = sign");
    EXPECT_FALSE(d.keyExists("bad]key"));
    EXPECT_FALSE(d.keyExists("k"));
    EXPECT_TRUE(d.hasSubKeys("CLSID\\{A}"));
    EXPECT_FALSE(d.hasSubKeys("CLSID\\{B}"));

    ASSERT_TRUE(store.update([](ClassStoreData& x) { x.deleteTree("CLSID\\{A}"); }));
    const ClassStoreData after = store.read();
    EXPECT_FALSE(after.keyExists("CLSID\\{A}"));
    EXPECT_FALSE(after.keyExists("CLSID\\{A}\\InprocServer32"));
    EXPECT_TRUE(after.keyExists("CLSID\\{B}"));  // a sibling whose name starts alike stays
    EXPECT_TRUE(after.keyExists("CLSID"));

    // A damaged line or section loses only itself.
    test::writeFile(store.path(), "[good]\n@=1\nnoequals\n[bad\\\\key]\n@=2\n[good\\sub]\nv=3\n");
    const ClassStoreData damaged = store.read();
    EXPECT_EQ(damaged.value("good", ""), "1");
    EXPECT_EQ(damaged.value("good\\sub", "v"), "3");
    EXPECT_FALSE(damaged.keyExists("bad\\\\key"));
}

TEST(Activation, answersForUnknownAndBrokenClasses) {
    IsolatedXdg xdg;
    ClassStore store;
    const CLSID clsid{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};
    void* object = reinterpret_cast<void*>(1);

    CLSID found;
    EXPECT_EQ(CLSIDFromProgID("no.such.Class", &found), CO_E_CLASSSTRING);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    const std::string key = "CLSID\\" + guidToString(clsid) + "\\InprocServer32";
    ASSERT_TRUE(store.update([&](ClassStoreData& d) {
        d.setValue("my.Class\\CLSID", "", guidToString(clsid));
        d.setValue("bad.Class\\CLSID", "", "not a guid");
        d.setValue(key, "", xdg.root() + "/missing.so");
    }));
    ASSERT_EQ(CLSIDFromProgID("my.Class", &found), S_OK);
    EXPECT_TRUE(found == clsid);
    EXPECT_EQ(CLSIDFromProgID("bad.Class", &found), CO_E_CLASSSTRING);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &object), CO_E_DLLNOTFOUND);

    // A relative library path would make the loader search: refused.
    ASSERT_TRUE(store.update([&](ClassStoreData& d) { d.setValue(key, "", "libm.so.6"); }));
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &object), CO_E_DLLNOTFOUND);

    // A loadable library without the entry point.
    test::writeFile(xdg.root() + "/notalib.so", "plain text");
    ASSERT_TRUE(store.update([&](ClassStoreData& d) { d.setValue(key, "", xdg.root() + "/notalib.so"); }));
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
}

TEST(RegisterServerCommand, usageAndLoadFailures) {
    IsolatedXdg xdg;
    std::ostringstream out, err;
    EXPECT_EQ(runRegisterServerCommand({}, out, err), 2);
    EXPECT_EQ(runRegisterServerCommand({"-u"}, out, err), 2);
    EXPECT_EQ(runRegisterServerCommand({"a.so", "b.so"}, out, err), 2);
    EXPECT_NE(err.str().find("usage"), std::string::npos);
    err.str("");

    EXPECT_EQ(runRegisterServerCommand({xdg.root() + "/missing.so"}, out, err), 1);
    EXPECT_NE(err.str().find("missing.so"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace quorvel::com
