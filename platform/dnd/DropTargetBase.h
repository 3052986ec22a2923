#pragma once

#include "platform/com/RefCounted.h"
#include "platform/dnd/DndTypes.h"

namespace quorvel::dnd {

// The reference counting and QueryInterface of a drop target, for the
// program's own controls: a subclass overrides the four notifications and is
// created with new; it deletes itself when the last reference goes.
class DropTargetBase : public com::RefCounted<DropTargetBase, com::HeapLifetime, IDropTarget> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return com::answerQueryInterface(static_cast<IDropTarget*>(this), iid, {IID_IDropTarget}, object);
    }

protected:
    friend RefCounted;  // deletes through the virtual destructor
    DropTargetBase() = default;
    virtual ~DropTargetBase() = default;
};

}  // namespace quorvel::dnd
