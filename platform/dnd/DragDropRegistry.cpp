#include <QAbstractScrollArea>
#include <QApplication>
#include <QDropEvent>
#include <QPointer>
#include <QWidget>

#include <cstring>
#include <map>
#include <utility>

#include "platform/dnd/DragDrop.h"
#include "platform/dnd/MimeDataObject.h"

namespace quorvel::dnd {

namespace {

class DropEventFilter;

// What the registry knows of one window. An entry lives from the first
// registration on the window until the window is destroyed.
struct WindowEntry {
    QPointer<QWidget> eventWidget;  // the widget that receives the drag events
    IDropTarget* target = nullptr;  // one reference while registered
    bool acceptedDropsBefore = false;
};

std::map<const QWidget*, WindowEntry>& entries() {
    static std::map<const QWidget*, WindowEntry> map;
    return map;
}

IDropTarget* registeredTarget(const QWidget* window) {
    auto it = entries().find(window);
    return it == entries().end() ? nullptr : it->second.target;
}

DWORD effectsOf(Qt::DropActions actions) {
    DWORD effect = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction) {
        effect |= DROPEFFECT_COPY;
    }
    if (actions & Qt::MoveAction) {
        effect |= DROPEFFECT_MOVE;
    }
    if (actions & Qt::LinkAction) {
        effect |= DROPEFFECT_LINK;
    }
    return effect;
}

DWORD keyStateOf(const QDropEvent* e) {
    DWORD keys = 0;
    const Qt::MouseButtons b = e->buttons();
    const Qt::KeyboardModifiers m = e->modifiers();
    keys |= (b & Qt::LeftButton) ? MK_LBUTTON : 0;
    keys |= (b & Qt::RightButton) ? MK_RBUTTON : 0;
    keys |= (b & Qt::MiddleButton) ? MK_MBUTTON : 0;
    keys |= (m & Qt::ShiftModifier) ? MK_SHIFT : 0;
    keys |= (m & Qt::ControlModifier) ? MK_CONTROL : 0;
    keys |= (m & Qt::AltModifier) ? MK_ALT : 0;
    return keys;
}

// Accepts the event with the action the target's effect allows: the proposed
// one if it may, else copy, move, link in that order; no effect refuses it.
void applyEffect(QDropEvent* e, DWORD effect) {
    const Qt::DropActions allowed = [&] {
        Qt::DropActions a;
        if (effect & DROPEFFECT_COPY) {
            a |= Qt::CopyAction;
        }
        if (effect & DROPEFFECT_MOVE) {
            a |= Qt::MoveAction;
        }
        if (effect & DROPEFFECT_LINK) {
            a |= Qt::LinkAction;
        }
        return a & e->possibleActions();
    }();
    if (!allowed) {
        e->ignore();
        return;
    }
    Qt::DropAction action = e->proposedAction();
    if (!(allowed & action)) {
        action = (allowed & Qt::CopyAction)   ? Qt::CopyAction
                 : (allowed & Qt::MoveAction) ? Qt::MoveAction
                                              : Qt::LinkAction;
    }
    e->setDropAction(action);
    e->accept();
}

// Turns the drag events of one window into calls of its registered drop
// target. The target is looked up at every event, so a target registered in
// the middle of a drag (the take-over) gets the following events: the target
// that had the drag is told DragLeave and the new one DragEnter first.
class DropEventFilter final : public QObject {
public:
    DropEventFilter(QWidget* window, QWidget* eventWidget)
        : QObject(window), window_(window), eventWidget_(eventWidget) {
        eventWidget->installEventFilter(this);
    }

    ~DropEventFilter() override {
        // The window is going: no more calls, just let go of everything.
        endDrag();
        auto it = entries().find(window_);
        if (it != entries().end()) {
            IDropTarget* target = it->second.target;
            entries().erase(it);
            if (target) {
                target->Release();
            }
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != eventWidget_.data()) {
            return false;
        }
        switch (event->type()) {
            case QEvent::DragEnter:
                return onDrag(static_cast<QDropEvent*>(event), Phase::Enter);
            case QEvent::DragMove:
                return onDrag(static_cast<QDropEvent*>(event), Phase::Over);
            case QEvent::Drop:
                return onDrag(static_cast<QDropEvent*>(event), Phase::Drop);
            case QEvent::DragLeave:
                return onLeave();
            default:
                return false;
        }
    }

private:
    enum class Phase { Enter, Over, Drop };

    bool onDrag(QDropEvent* e, Phase phase) {
        if (phase == Phase::Enter) {
            endDrag();  // a new drag: nothing of an earlier one is kept
        }
        IDropTarget* current = registeredTarget(window_);
        if (!current) {
            leaveEntered();
            endDrag();
            return false;  // no drop target: the widget handles the event itself
        }
        if (!data_ && com::FAILED(createMimeDataObject(e->mimeData(), &data_))) {
            e->ignore();
            return true;
        }
        QPointer<DropEventFilter> alive(this);
        const DWORD keys = keyStateOf(e);
        const QPoint global = eventWidget_->mapToGlobal(e->position().toPoint());
        const POINTL point{global.x(), global.y()};
        DWORD effect = effectsOf(e->possibleActions());

        if (current != entered_) {
            leaveEntered();
            if (!alive) {
                return true;
            }
            current->AddRef();
            entered_ = current;
            com::ComPtr<IDropTarget> target(current);
            com::ComPtr<IDataObject> data(data_);
            target->DragEnter(data.get(), keys, point, &effect);
            if (!alive) {
                return true;
            }
            if (phase == Phase::Enter) {
                // Qt sends the moves and the drop of a drag only to a widget
                // that accepted its entry, so the entry is always accepted;
                // the target's answer decides at every move that follows.
                applyEffect(e, effect);
                e->accept();
                return true;
            }
            if (phase == Phase::Over) {
                applyEffect(e, effect);
                return true;
            }
            effect = effectsOf(e->possibleActions());
        }

        if (phase == Phase::Over) {
            com::ComPtr<IDropTarget> target(entered_);
            target->DragOver(keys, point, &effect);
            if (alive) {
                applyEffect(e, effect);
            }
            return true;
        }
        // The drop ends the drag: this filter lets go before calling, so that
        // whatever the target does to the registration meets a clean state.
        auto target = com::ComPtr<IDropTarget>::adopt(std::exchange(entered_, nullptr));
        auto data = com::ComPtr<IDataObject>::adopt(std::exchange(data_, nullptr));
        target->Drop(data.get(), keys, point, &effect);
        detachMimeDataObject(data.get());
        if (alive) {
            applyEffect(e, effect);
        }
        return true;
    }

    bool onLeave() {
        if (!entered_ && !data_) {
            return false;
        }
        leaveEntered();
        endDrag();
        return true;
    }

    void leaveEntered() {
        if (IDropTarget* target = std::exchange(entered_, nullptr)) {
            target->DragLeave();
            target->Release();
        }
    }

    void endDrag() {
        if (IDropTarget* target = std::exchange(entered_, nullptr)) {
            target->Release();
        }
        if (IDataObject* data = std::exchange(data_, nullptr)) {
            detachMimeDataObject(data);
            data->Release();
        }
    }

    const QWidget* window_;  // the registry's key; the filter is its child
    QPointer<QWidget> eventWidget_;
    IDropTarget* entered_ = nullptr;  // the target that has the drag, one reference
    IDataObject* data_ = nullptr;     // the drag's data while it lasts
};

// The entry of a window, made with its event filter on first use.
WindowEntry& entryFor(QWidget* window) {
    auto it = entries().find(window);
    if (it != entries().end()) {
        return it->second;
    }
    // Drags over a scroll area arrive at its viewport.
    QWidget* eventWidget = window;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(window); area && area->viewport()) {
        eventWidget = area->viewport();
    }
    WindowEntry& entry = entries()[window];
    entry.eventWidget = eventWidget;
    new DropEventFilter(window, eventWidget);
    return entry;
}

}  // namespace

HWND windowHandle(QWidget* widget) {
    return widget ? static_cast<HWND>(widget->winId()) : 0;
}

QWidget* windowFromHandle(HWND window) {
    if (window == 0 || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return nullptr;
    }
    QWidget* byLowBits = nullptr;
    int lowBitMatches = 0;
    const QWidgetList all = QApplication::allWidgets();
    for (QWidget* w : all) {
        const HWND id = static_cast<HWND>(w->internalWinId());
        if (id == 0) {
            continue;
        }
        if (id == window) {
            return w;
        }
        if (window <= 0xFFFFFFFFu && (id & 0xFFFFFFFFu) == window) {
            byLowBits = w;
            ++lowBitMatches;
        }
    }
    return lowBitMatches == 1 ? byLowBits : nullptr;
}

HRESULT RegisterDragDrop(HWND window, IDropTarget* target) {
    if (!target) {
        return com::E_INVALIDARG;
    }
    QWidget* widget = windowFromHandle(window);
    if (!widget) {
        return DRAGDROP_E_INVALIDHWND;
    }
    WindowEntry& entry = entryFor(widget);
    if (entry.target) {
        return DRAGDROP_E_ALREADYREGISTERED;
    }
    target->AddRef();
    entry.target = target;
    if (entry.eventWidget) {
        entry.acceptedDropsBefore = entry.eventWidget->acceptDrops();
        entry.eventWidget->setAcceptDrops(true);
    }
    return com::S_OK;
}

HRESULT RevokeDragDrop(HWND window) {
    QWidget* widget = windowFromHandle(window);
    if (!widget) {
        return DRAGDROP_E_INVALIDHWND;
    }
    auto it = entries().find(widget);
    if (it == entries().end() || !it->second.target) {
        return DRAGDROP_E_NOTREGISTERED;
    }
    WindowEntry& entry = it->second;
    IDropTarget* target = std::exchange(entry.target, nullptr);
    if (entry.eventWidget) {
        entry.eventWidget->setAcceptDrops(entry.acceptedDropsBefore);
    }
    target->Release();
    return com::S_OK;
}

void* GetPropA(HWND window, const char* name) {
    if (!name || std::strcmp(name, kDropTargetProperty) != 0) {
        return nullptr;
    }
    QWidget* widget = windowFromHandle(window);
    return widget ? registeredTarget(widget) : nullptr;
}

BOOL ScreenToClient(HWND window, POINT* point) {
    QWidget* widget = windowFromHandle(window);
    if (!widget || !point) {
        return 0;
    }
    const QPoint local = widget->mapFromGlobal(QPoint(point->x, point->y));
    point->x = local.x();
    point->y = local.y();
    return 1;
}

}  // namespace quorvel::dnd
