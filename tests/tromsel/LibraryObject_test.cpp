// A UIFileDragDrop activated from the built library: its interfaces, class
// factory, module count, type information, late-bound calls on a window
// without a drop target of its own, and its connection point.
#include <gtest/gtest.h>

#include <QWidget>

#include "platform/com/ConnectionPoints.h"
#include "platform/dnd/DragDrop.h"
#include "tests/tromsel/LibraryTestSupport.h"
#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

using tromsel::FileDragDrop;

std::string text(BSTR b) {
    std::string s = bstrToUtf8(b);
    SysFreeString(b);
    return s;
}

TEST(UIFileDragDrop, activationInterfacesFactoryAndUnloading) {
    auto canUnload = libraryEntry<DllCanUnloadNowFn>("DllCanUnloadNow");
    auto getClassObject = libraryEntry<DllGetClassObjectFn>("DllGetClassObject");
    ASSERT_TRUE(canUnload && getClassObject);
    {
        ActivatedObject a;
        ASSERT_TRUE(a.object);  // the ProgIDs that lead to it are the registration's test

        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(a.object.as(IID_IDispatch, dispatch), S_OK);
        EXPECT_EQ(static_cast<IDispatch*>(a.object.get()), dispatch.get());
        ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(a.object.as(IID_IConnectionPointContainer, container), S_OK);
        ComPtr<IDropTarget> notOffered;
        EXPECT_EQ(a.object.as(IID_IDropTarget, notOffered), E_NOINTERFACE);
        EXPECT_FALSE(notOffered);

        EXPECT_EQ(canUnload(), S_FALSE);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CoGetClassObject(tromsel::CLSID_UIFileDragDrop, IID_IClassFactory, factory.putVoid()), S_OK);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(factory->CreateInstance(a.object.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDropTarget, &object), E_NOINTERFACE);
        const CLSID other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        EXPECT_EQ(getClassObject(&other, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);

        a.object.reset();
        EXPECT_EQ(canUnload(), S_FALSE);  // the factory is still held
        factory->LockServer(1);
        factory.reset();
        EXPECT_EQ(canUnload(), S_FALSE);  // a server lock
        ASSERT_EQ(CoGetClassObject(tromsel::CLSID_UIFileDragDrop, IID_IClassFactory, factory.putVoid()), S_OK);
        factory->LockServer(0);
    }
    EXPECT_EQ(canUnload(), S_OK);
}

// What a late-bound caller reads: the dual interface's members, their
// slots, parameters and identifiers, and the event interface of the class.
TEST(UIFileDragDrop, typeInformationDescribesTheMembersAndTheEvents) {
    ActivatedObject a;
    UINT count = 0;
    ASSERT_EQ(a.object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(a.object->GetTypeInfo(0, 0x0409, info.put()), S_OK);
    TYPEATTR attr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr.guid == tromsel::IID_FileDragDrop);
    EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attr.cFuncs, 2);
    FUNCDESC f;
    ASSERT_EQ(info->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f.memid, 1);
    EXPECT_EQ(f.oVft, 1);  // the first slot after IDispatch's seven
    EXPECT_EQ(f.cParams, 2);
    EXPECT_EQ(f.paramTypes[1], VT_BSTR);
    BSTR names[3] = {};
    UINT got = 0;
    ASSERT_EQ(info->GetNames(1, names, 3, &got), S_OK);
    ASSERT_EQ(got, 3u);
    EXPECT_EQ(text(names[0]), "RegisterFileDrop");
    EXPECT_EQ(text(names[1]), "hWnd");
    EXPECT_EQ(text(names[2]), "location");

    ComPtr<ITypeLib> lib;
    ASSERT_EQ(info->GetContainingTypeLib(lib.put(), nullptr), S_OK);
    TLIBATTR libAttr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_TRUE(libAttr.guid == tromsel::LIBID_TROMSELLib);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(tromsel::CLSID_UIFileDragDrop, coclass.put()), S_OK);
    GUID implemented;
    int flags = 0;
    ASSERT_EQ(coclass->GetImplType(1, &implemented, &flags), S_OK);
    EXPECT_TRUE(implemented == tromsel::DIID__FileDragDropEvents);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);

    std::u16string n0 = u"unregisterfiledrop", n1 = u"HWND", bad = u"Nope";
    OLECHAR* query[] = {n0.data(), n1.data()};
    DISPID ids[2];
    ASSERT_EQ(a.object->GetIDsOfNames(IID_NULL, query, 2, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], 0);
    OLECHAR* unknown[] = {bad.data()};
    EXPECT_EQ(a.object->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST(UIFileDragDrop, lateBoundCallsAndTheConnectionPoint) {
    ActivatedObject a;
    QWidget w;
    const auto hWnd = static_cast<LONG>(windowHandle(&w));

    VARIANT args[2];
    args[0].vt = VT_BSTR;
    args[0].bstrVal = bstrFromUtf8("/tmp");
    args[1].vt = VT_I4;
    args[1].lVal = hWnd;
    DISPPARAMS params{args, nullptr, 2, 0};
    ASSERT_EQ(a.object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_NE(GetPropA(windowHandle(&w), kDropTargetProperty), nullptr);

    UINT argError = 99;
    DISPPARAMS tooFew{args, nullptr, 1, 0};
    EXPECT_EQ(a.object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    std::swap(args[0], args[1]);  // the arguments in the wrong order
    EXPECT_EQ(a.object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 1u);
    EXPECT_EQ(a.object->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(a.object->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    VARIANT handle;
    handle.vt = VT_I4;
    handle.lVal = hWnd;
    DISPPARAMS one{&handle, nullptr, 1, 0};
    ASSERT_EQ(a.object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(GetPropA(windowHandle(&w), kDropTargetProperty), nullptr);
    EXPECT_EQ(a.object->RegisterFileDrop(0, args[1].bstrVal), DRAGDROP_E_INVALIDHWND);
    VariantClear(&args[1]);

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(a.object.as(IID_IConnectionPointContainer, container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(tromsel::DIID__FileDragDropEvents, point.put()), S_OK);

    ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(container->EnumConnectionPoints(all.put()), S_OK);
    IConnectionPoint* listed[2] = {};
    ULONG got = 0;
    EXPECT_EQ(all->Next(2, listed, &got), S_FALSE);
    ASSERT_EQ(got, 1u);
    IID iid;
    ASSERT_EQ(listed[0]->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(iid == tromsel::DIID__FileDragDropEvents);
    listed[0]->Release();
}

}  // namespace
}  // namespace quorvel::test
