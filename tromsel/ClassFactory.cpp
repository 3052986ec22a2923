#include "tromsel/ClassFactory.h"

#include "tromsel/Module.h"
#include "tromsel/UIFileDragDrop.h"

namespace quorvel::tromsel {

using namespace com;

namespace {

class UIFileDragDropFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static; its references only keep the module loaded.
    ULONG AddRef() override {
        module::objectCreated();
        return 2;
    }
    ULONG Release() override {
        module::objectDestroyed();
        return 1;
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
