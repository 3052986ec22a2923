#include "tromsel/ClassFactory.h"

#include "platform/com/RefCounted.h"
#include "tromsel/Module.h"
#include "tromsel/UIFileDragDrop.h"

namespace quorvel::tromsel {

using namespace com;

namespace {

// The factory is static; its references only keep the module loaded, so it
// counts nothing of its own.
class ModuleReferences {
public:
    static constexpr bool kDeletesAtZero = false;
    ULONG added() {
        module::objectCreated();
        return 2;
    }
    ULONG released() {
        module::objectDestroyed();
        return 1;
    }
};

class UIFileDragDropFactory final : public RefCounted<UIFileDragDropFactory, ModuleReferences, IClassFactory> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<IClassFactory*>(this), iid, {IID_IClassFactory}, object);
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        return UIFileDragDrop::create(iid, object);
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock) {
            module::lock();
        } else {
            module::unlock();
        }
        return S_OK;
    }
};

}  // namespace

IClassFactory* classFactory() {
    static UIFileDragDropFactory factory;
    return &factory;
}

}  // namespace quorvel::tromsel
