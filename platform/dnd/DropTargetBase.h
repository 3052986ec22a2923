#pragma once

#include "platform/dnd/DndTypes.h"

namespace quorvel::dnd {

// The reference counting and QueryInterface of a drop target, for the
// program's own controls: a subclass overrides the four notifications and is
// created with new; it deletes itself when the last reference goes.
class DropTargetBase : public IDropTarget {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return com::answerQueryInterface(static_cast<IDropTarget*>(this), iid, {IID_IDropTarget}, object);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    DropTargetBase() = default;
    virtual ~DropTargetBase() = default;

private:
    ULONG refs_ = 1;
};

}  // namespace quorvel::dnd
