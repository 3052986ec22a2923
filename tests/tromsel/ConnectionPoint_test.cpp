// The connection point: Advise, Unadvise, the enumerator of connections and
// raising events. The enumerator of connection points is the library object's test.
#include <gtest/gtest.h>

#include "platform/com/ConnectionPoint.h"
#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

// The smallest object with one connection point, on the test's stack.
class Container final : public RefCounted<Container, ScopedLifetime, IConnectionPointContainer> {
public:
    explicit Container(size_t maxSinks = SinkList::kNoLimit)
        : point(this, tromsel::DIID__FileDragDropEvents, maxSinks) {}
    ConnectionPoint point;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<IConnectionPointContainer*>(this), iid, {IID_IConnectionPointContainer},
                                    object);
    }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
};

void fire(Container& c, const char* text) {
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = bstrFromUtf8(text);
    DISPPARAMS params{&arg, nullptr, 1, 0};
    c.point.invokeEach(tromsel::DISPID_FilesDropped, params);
    VariantClear(&arg);
}

TEST(ConnectionPoint, adviseUnadviseAndErrorCodes) {
    RecordingSink good, plain(false);  // declared first: they outlive the container
    Container c;
    DWORD_PTR cookie = 0;

    EXPECT_EQ(c.point.Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(refsOf(&plain), 1u);  // nothing kept of a refused sink

    ASSERT_EQ(c.point.Advise(&good, &cookie), S_OK);
    EXPECT_EQ(cookie, reinterpret_cast<DWORD_PTR>(static_cast<IDispatch*>(&good)));  // the sink's own pointer
    EXPECT_EQ(refsOf(&good), 2u);

    EXPECT_EQ(c.point.Unadvise(cookie + 8), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(c.point.Unadvise(cookie), S_OK);
    EXPECT_EQ(refsOf(&good), 1u);
    EXPECT_EQ(c.point.Unadvise(cookie), CONNECT_E_NOCONNECTION);

    IID iid;
    ASSERT_EQ(c.point.GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(iid == tromsel::DIID__FileDragDropEvents);
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(c.point.GetConnectionPointContainer(&back), S_OK);
    EXPECT_EQ(back, &c);
    back->Release();
    EXPECT_EQ(refsOf(&c), 1u);
}

TEST(ConnectionPoint, adviseLimit) {
    RecordingSink sinks[5];
    Container c(4);
    DWORD_PTR cookie;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(c.point.Advise(&sinks[i], &cookie), S_OK);
    }
    EXPECT_EQ(c.point.Advise(&sinks[4], &cookie), CONNECT_E_ADVISELIMIT);
}

TEST(ConnectionPoint, eventsReachEverySinkInListOrder) {
    RecordingSink a, b, d;
    Container c;
    std::vector<char> order;
    a.onEvent = [&] { order.push_back('a'); };
    b.onEvent = [&] { order.push_back('b'); };
    d.onEvent = [&] { order.push_back('d'); };
    DWORD_PTR ca, cb, cd;
    ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);  // the first sink keeps its place when the list grows
    fire(c, "first");
    ASSERT_EQ(c.point.Unadvise(ca), S_OK);
    ASSERT_EQ(c.point.Advise(&d, &cd), S_OK);  // takes a's freed entry, ahead of b
    b.fileLists.clear();

    fire(c, "p0");
    EXPECT_EQ(order, (std::vector<char>{'a', 'b', 'd', 'b'}));
    EXPECT_EQ(a.fileLists, std::vector<std::string>{"first"});
    EXPECT_EQ(b.fileLists, std::vector<std::string>{"p0"});
    EXPECT_EQ(d.fileLists, std::vector<std::string>{"p0"});

    // A sink that unadvises from inside its call is still safe to finish,
    // and the list read afresh skips whoever left.
    d.onEvent = [&] {
        c.point.Unadvise(cd);
        c.point.Unadvise(cb);
    };
    b.fileLists.clear();
    fire(c, "p1");
    EXPECT_EQ(d.fileLists.back(), "p1");
    EXPECT_TRUE(b.fileLists.empty());
    EXPECT_EQ(refsOf(&b), 1u);
    EXPECT_EQ(refsOf(&d), 1u);
}

TEST(ConnectionPoint, theEnumeratorListsHeldSinksAndKeepsTheirReferences) {
    RecordingSink a, b;
    Container c;
    DWORD_PTR ca, cb;
    ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);

    IEnumConnections* e = nullptr;
    ASSERT_EQ(c.point.EnumConnections(&e), S_OK);
    EXPECT_EQ(c.point.Unadvise(ca), S_OK);  // the enumerator lists what was held when it was made
    CONNECTDATA items[3];
    ULONG got = 0;
    EXPECT_EQ(e->Next(3, items, &got), S_FALSE);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(items[0].dwCookie, ca);
    EXPECT_EQ(items[1].dwCookie, cb);
    EXPECT_EQ(items[1].pUnk, static_cast<IUnknown*>(static_cast<IDispatch*>(&b)));
    for (ULONG i = 0; i < got; ++i) {
        items[i].pUnk->Release();
    }
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    IEnumConnections* copy = nullptr;
    ASSERT_EQ(e->Clone(&copy), S_OK);
    ASSERT_EQ(copy->Next(1, items, nullptr), S_OK);
    EXPECT_EQ(items[0].dwCookie, cb);
    items[0].pUnk->Release();
    copy->Release();
    e->Release();
    EXPECT_EQ(refsOf(&a), 1u);
    EXPECT_EQ(refsOf(&b), 2u);
    EXPECT_EQ(refsOf(&c), 1u);
}

}  // namespace
}  // namespace quorvel::test
