#include "maillist/ListDrops.h"

#include <QApplication>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <filesystem>

#include "import/MailImporter.h"
#include "maillist/MailList.h"
#include "platform/com/Activation.h"
#include "platform/com/RefCounted.h"
#include "platform/dialogs/MessageService.h"
#include "platform/dnd/DragDrop.h"
#include "platform/dnd/DropTargetBase.h"
#include "platform/dnd/MimeDataObject.h"
#include "toolkit/ListView.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

namespace quorvel {

namespace {

// The hourglass for as long as an import runs.
class WaitPointer {
public:
    WaitPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitPointer() { release(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
    void release() {
        if (held_) {
            held_ = false;
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool held_ = true;
};

QString storedText(int count) {
    return QString::number(count) + QString::fromUtf8(mailimport::kStoredSuffix);
}

}  // namespace

// The list's own drop target: hands the drag events to the drops for as long
// as they exist.
class ListDrops::Target final : public dnd::DropTargetBase {
public:
    explicit Target(ListDrops* owner) : owner_(owner) {}
    void detach() { owner_ = nullptr; }

    dnd::HRESULT DragEnter(dnd::IDataObject* data, dnd::DWORD, dnd::POINTL, dnd::DWORD* effect) override {
        if (owner_) {
            owner_->lvListView_DragEnter(data);
        }
        answer(data, effect);
        data_ = com::ComPtr<dnd::IDataObject>(data);
        return com::S_OK;
    }
    dnd::HRESULT DragOver(dnd::DWORD, dnd::POINTL, dnd::DWORD* effect) override {
        if (owner_) {
            owner_->lvListView_DragOverOrLeave();
        }
        answer(data_.get(), effect);
        return com::S_OK;
    }
    dnd::HRESULT DragLeave() override {
        data_.reset();
        if (owner_) {
            owner_->lvListView_DragOverOrLeave();
        }
        return com::S_OK;
    }
    dnd::HRESULT Drop(dnd::IDataObject* data, dnd::DWORD, dnd::POINTL, dnd::DWORD* effect) override {
        data_.reset();
        answer(data, effect);
        if (owner_) {
            owner_->lvListView_Drop(data);
        }
        return com::S_OK;
    }

private:
    void answer(dnd::IDataObject* data, dnd::DWORD* effect) const {
        if (effect) {
            *effect = owner_ && data && owner_->acceptsDrag(data) ? (*effect & dnd::DROPEFFECT_COPY) : 0;
        }
    }

    ListDrops* owner_;
    com::ComPtr<dnd::IDataObject> data_;  // the drag's data from its entry on
};

// The receiver of the component's events.
class ListDrops::EventSink final : public com::RefCounted<ListDrops::EventSink, com::HeapLifetime, com::IDispatch> {
public:
    explicit EventSink(ListDrops* owner) : owner_(owner) {}
    void detach() { owner_ = nullptr; }

    com::HRESULT QueryInterface(com::REFIID iid, void** object) override {
        return com::answerQueryInterface(static_cast<com::IDispatch*>(this), iid,
                                         {com::IID_IDispatch, tromsel::DIID__FileDragDropEvents}, object);
    }
    com::HRESULT GetTypeInfoCount(com::UINT* count) override {
        if (!count) {
            return com::E_POINTER;
        }
        *count = 0;
        return com::S_OK;
    }
    com::HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return com::E_NOTIMPL; }
    com::HRESULT GetIDsOfNames(com::REFIID, com::OLECHAR**, com::UINT, com::LCID, com::DISPID*) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(com::DISPID member, com::REFIID, com::LCID, com::WORD, com::DISPPARAMS* params, com::VARIANT*,
                        com::EXCEPINFO*, com::UINT*) override {
        if (member == tromsel::DISPID_DragOver) {
            // Arguments come last first: y, then x.
            if (owner_ && params && params->cArgs == 2 && params->rgvarg[0].vt == com::VT_I4 &&
                params->rgvarg[1].vt == com::VT_I4) {
                owner_->UIDragDrop_DragOver(params->rgvarg[1].lVal, params->rgvarg[0].lVal);
            }
            return com::S_OK;
        }
        if (member != tromsel::DISPID_FilesDropped) {
            return com::S_OK;
        }
        if (!params || params->cArgs != 1 || params->rgvarg[0].vt != com::VT_BSTR) {
            return com::E_INVALIDARG;
        }
        if (owner_) {
            owner_->UIDragDrop_FilesDropped(com::bstrToUtf8(params->rgvarg[0].bstrVal));
        }
        return com::S_OK;
    }

private:
    friend RefCounted;
    ~EventSink() = default;
    ListDrops* owner_;
};

ListDrops::ListDrops(const DropState& state, const DropControls& controls)
    : state_(state), controls_(controls), target_(new Target(this)) {
    if (com::FAILED(dnd::RegisterDragDrop(dnd::windowHandle(&controls_.list), target_))) {
        target_->detach();
        target_->Release();
        target_ = nullptr;
    }
}

ListDrops::~ListDrops() {
    // The component first: going, it gives the list its own target back.
    releaseComponent();
    if (target_) {
        dnd::RevokeDragDrop(dnd::windowHandle(&controls_.list));
        target_->detach();
        target_->Release();
    }
}

bool ListDrops::offers(dnd::IDataObject* data, int16_t format) const {
    if (!data || format == 0) {
        return false;
    }
    dnd::FORMATETC wanted{static_cast<dnd::CLIPFORMAT>(static_cast<uint16_t>(format)), nullptr, dnd::DVASPECT_CONTENT,
                          -1, dnd::TYMED_HGLOBAL};
    return data->QueryGetData(&wanted) == com::S_OK;
}

bool ListDrops::acceptsDrag(dnd::IDataObject* data) const {
    if (state_.drag.listDragActive) {
        return false;
    }
    if (offers(data, state_.cfFileGroupDescriptorW)) {
        return true;
    }
    const QMimeData* mime = dnd::mimeDataOf(data);
    return mime && mime->hasUrls();  // the list of formats only; nothing is read while hovering
}

void ListDrops::lvListView_DragEnter(dnd::IDataObject* data) {
    state_.drag.componentOn = ComponentTarget::List;
    controls_.window.setCursor(Qt::ForbiddenCursor);
    if (offers(data, state_.cfFileGroupDescriptorW)) {
        putComponentOn(controls_.list, ComponentTarget::List);
    }
}

void ListDrops::lvListView_DragOverOrLeave() {
    state_.drag.componentOn = ComponentTarget::List;
    controls_.window.unsetCursor();
}

void ListDrops::putComponentOn(QWidget& control, ComponentTarget target) {
    state_.drag.componentOn = target;
    com::ComPtr<tromsel::FileDragDrop> component;
    if (com::FAILED(com::CoCreateInstance(tromsel::CLSID_UIFileDragDrop, nullptr, tromsel::IID_FileDragDrop,
                                          component.putVoid()))) {
        return;  // without the library the list takes plain files only
    }
    releaseComponent();
    uiDragDrop_ = component;
    previousList_.clear();
    componentFolder_.clear();
    com::ComPtr<com::IConnectionPointContainer> container;
    if (com::SUCCEEDED(uiDragDrop_->QueryInterface(com::IID_IConnectionPointContainer, container.putVoid())) &&
        com::SUCCEEDED(container->FindConnectionPoint(tromsel::DIID__FileDragDropEvents, eventPoint_.put()))) {
        sink_ = new EventSink(this);
        if (com::FAILED(eventPoint_->Advise(sink_, &cookie_))) {
            sink_->detach();
            sink_->Release();
            sink_ = nullptr;
            eventPoint_.reset();
        }
    }
    const com::Bstr location(dropFolder());
    uiDragDrop_->RegisterFileDrop(static_cast<com::LONG>(dnd::windowHandle(&control)), location.get());
}

void ListDrops::releaseComponent() {
    if (sink_) {
        if (eventPoint_) {
            eventPoint_->Unadvise(cookie_);
        }
        sink_->detach();
        sink_->Release();
        sink_ = nullptr;
    }
    eventPoint_.reset();
    cookie_ = 0;
    uiDragDrop_.reset();
}

std::vector<std::string> ListDrops::droppedPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    return paths;
}

void ListDrops::lvListView_Drop(dnd::IDataObject* data) {
    controls_.window.unsetCursor();
    if (state_.drag.listDragActive) {
        return;  // mails of the list dropped back onto it
    }
    if (offers(data, state_.cfFileGroupDescriptorW) || offers(data, state_.cfFileGroupDescriptor)) {
        return;  // virtual files are the component's
    }
    const QMimeData* mime = dnd::mimeDataOf(data);
    if (!mime || !mime->hasUrls()) {
        return;
    }
    const std::vector<std::string> paths = droppedPaths(mime);
    if (paths.empty()) {
        return;
    }
    s_importDropFiles(paths, state_.pv.curDir);
    state_.pv.markModified();
}

void ListDrops::s_importDropFiles(const std::vector<std::string>& paths, const std::string& dirKey) {
    if (mailboxDrop && mailboxDrop(paths, dirKey)) {
        return;
    }
    WaitPointer wait;
    ProgramValues& pv = state_.pv;
    const mailimport::DropImport result =
        mailimport::importFiles(pv, state_.mailCounter, paths, dirKey, [&](int stored) {
            controls_.statusBar.setPanelText(1, storedText(stored));
            pv.markModified();
            // A long drop keeps the window painted; input waits for the end.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    controls_.mailList.s_mailListLoad(pv.curDir);
    if (!result.rejected.empty()) {
        const std::string listText = mailimport::rejectedListText(result.rejected);
        ++state_.errLogCount;
        const std::string logPath = mailimport::errorLogPath(pv.workPath, state_.errLogCount);
        mailimport::writeErrorLog(logPath, listText);
        wait.release();  // the box is answered with the normal pointer
        platform::msgBox(mailimport::rejectedFilesMessage(mailimport::rejectedListForBox(result.rejected), logPath));
    }
    wait.release();
    controls_.window.unsetCursor();
}

void ListDrops::s_importMailFl(const std::string& path, const std::string& dirKey) {
    WaitPointer wait;
    ProgramValues& pv = state_.pv;
    if (mailimport::importMailFile(pv, state_.mailCounter, path, dirKey) == mailimport::ImportOutcome::Stored) {
        controls_.statusBar.setPanelText(1, storedText(1));
        pv.markModified();
    }
    controls_.mailList.s_mailListLoad(pv.curDir);
}

void ListDrops::UIDragDrop_DragOver(int x, int y) {
    // On the tree, the component's drag follows the pointer from folder to
    // folder as the tree's own drag does.
    if (state_.drag.componentOn == ComponentTarget::Tree) {
        ui::TreeView& tree = controls_.tree;
        tree.setDropHighlight(tree.hitTest(tree.viewport()->mapFrom(&tree, QPoint(x, y))));
    }
}

void ListDrops::UIDragDrop_FilesDropped(const std::string& fileList) {
    const std::string entry = mailimport::newestDroppedPath(fileList, previousList_);
    previousList_ = fileList;
    ProgramValues& pv = state_.pv;
    if (componentFolder_.empty()) {
        // The first file of a drop decides the folder for all of them: a box
        // shown while importing must not send the rest elsewhere.
        componentFolder_ = pv.curDir;
        if (state_.drag.componentOn == ComponentTarget::Tree) {
            const QString highlighted = controls_.tree.dropHighlight();
            if (!highlighted.isEmpty()) {
                componentFolder_ = highlighted.toStdString();
            }
            controls_.tree.setDropHighlight({});  // the drop has landed
        }
    }
    if (entry.ends_with(".eml")) {
        s_importMailFl(entry, componentFolder_);
    }
    std::error_code ec;
    if (std::filesystem::is_regular_file(entry, ec)) {
        std::filesystem::remove(entry, ec);
    }
    pv.markModified();
    controls_.window.unsetCursor();
}

}  // namespace quorvel
