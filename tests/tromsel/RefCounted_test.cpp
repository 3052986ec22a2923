// The reference counting of the COM-style objects: one count for all of an
// object's interfaces, a heap object freed exactly once by the last Release.
#include <gtest/gtest.h>

#include "platform/com/ClassFactory.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/RefCounted.h"

namespace quorvel::com {
namespace {

// Counts its destructions. Its second interface lies at another address than
// the object, so a Release through it must still free the whole object.
template <typename Lifetime>
class Probe final : public RefCounted<Probe<Lifetime>, Lifetime, IClassFactory, IConnectionPointContainer> {
public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() { ++*destroyed_; }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT LockServer(BOOL) override { return E_NOTIMPL; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }

private:
    int* destroyed_;
};

TEST(RefCounted, oneCountForAllInterfacesAndOneDeletionAtZero) {
    int destroyed = 0;
    auto* probe = new Probe<HeapLifetime>(&destroyed);
    IConnectionPointContainer* second = probe;
    ASSERT_NE(static_cast<void*>(second), static_cast<void*>(probe));
    EXPECT_EQ(probe->AddRef(), 2u);
    EXPECT_EQ(second->AddRef(), 3u);
    EXPECT_EQ(probe->Release(), 2u);
    EXPECT_EQ(second->Release(), 1u);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(destroyed, 1);

    Probe<ScopedLifetime> onStack(&destroyed);
    EXPECT_EQ(onStack.Release(), 0u);  // counted, never freed: ASan catches a delete of the stack
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace quorvel::com
