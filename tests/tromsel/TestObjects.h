#pragma once

// Objects built by the tests: data objects, streams, event sinks and drop
// targets that record what is done to them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/com/RefCounted.h"
#include "platform/dnd/ClipboardFormats.h"
#include "platform/dnd/DropTargetBase.h"
#include "platform/dnd/GlobalMemory.h"
#include "platform/dnd/MimeDataObject.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::test {

using namespace com;
using namespace dnd;

// The reference count of an object, seen from outside.
inline ULONG refsOf(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

// A descriptor list: a 32-bit count (the number of names unless given), then
// one 332-byte record per name with the name at offset 72.
inline std::string descriptorOf(const std::vector<std::string>& names, long count = -1) {
    std::string bytes(4 + names.size() * kDescriptorRecordSize, '\0');
    const std::uint32_t n = count < 0 ? static_cast<std::uint32_t>(names.size()) : static_cast<std::uint32_t>(count);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    }
    for (size_t i = 0; i < names.size(); ++i) {
        std::memcpy(&bytes[4 + i * kDescriptorRecordSize + kDescriptorNameOffset], names[i].data(),
                    std::min(names[i].size(), kMaxPath));
    }
    return bytes;
}

// Delivers its bytes, then answers `endAnswer`; with failAt set, answers
// `failure` once that many bytes have been delivered.
class ScriptedStream final : public RefCounted<ScriptedStream, HeapLifetime, IStream> {
public:
    explicit ScriptedStream(std::string bytes) : bytes_(std::move(bytes)) {}
    size_t failAt = SIZE_MAX;
    HRESULT failure = E_FAIL;
    int* reads = nullptr;  // counts the calls of Read when set

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<IStream*>(this), iid, {IID_IStream}, object);
    }
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (reads) {
            ++*reads;
        }
        const size_t n = std::min<size_t>({size, bytes_.size() - pos_, failAt > pos_ ? failAt - pos_ : 0});
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        *read = static_cast<ULONG>(n);
        if (n < size && pos_ >= failAt) {
            return failure;  // some bytes, then the error
        }
        return n == size ? S_OK : S_FALSE;
    }

private:
    std::string bytes_;
    size_t pos_ = 0;
};

// A data object with a descriptor and per-item contents set by the test; it
// lives on the test's stack.
class TestDataObject final : public RefCounted<TestDataObject, ScopedLifetime, IDataObject> {
public:
    std::string descriptor;
    bool offerDescriptor = true;
    bool offerContents = true;
    std::map<LONG, std::string> contents;
    std::map<LONG, HRESULT> contentFailures;
    std::map<LONG, size_t> streamFailAt;  // the item's stream fails after so many bytes
    std::vector<LONG> fetchedItems;
    std::map<LONG, int> readsOfItem;  // calls of Read on each item's stream

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<IDataObject*>(this), iid, {IID_IDataObject}, object);
    }

    HRESULT QueryGetData(FORMATETC* f) override {
        if (f->cfFormat == RegisterClipboardFormatA(kDescriptorFormat)) {
            return offerDescriptor && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
        }
        if (f->cfFormat == RegisterClipboardFormatA(kContentsFormat)) {
            return offerContents && (f->tymed & TYMED_ISTREAM) ? S_OK : DV_E_FORMATETC;
        }
        return DV_E_FORMATETC;
    }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override {
        const HRESULT available = QueryGetData(f);
        if (available != S_OK) {
            return available;
        }
        if (f->cfFormat == RegisterClipboardFormatA(kDescriptorFormat)) {
            m->tymed = TYMED_HGLOBAL;
            m->hGlobal = GlobalAlloc(GMEM_MOVEABLE, descriptor.size());
            std::memcpy(GlobalLock(m->hGlobal), descriptor.data(), descriptor.size());
            GlobalUnlock(m->hGlobal);
            m->pUnkForRelease = nullptr;
            return S_OK;
        }
        fetchedItems.push_back(f->lindex);
        if (auto it = contentFailures.find(f->lindex); it != contentFailures.end()) {
            return it->second;
        }
        auto it = contents.find(f->lindex);
        if (it == contents.end()) {
            return DV_E_LINDEX;
        }
        auto* stream = new ScriptedStream(it->second);
        if (auto fail = streamFailAt.find(f->lindex); fail != streamFailAt.end()) {
            stream->failAt = fail->second;
        }
        stream->reads = &readsOfItem[f->lindex];
        m->tymed = TYMED_ISTREAM;
        m->pstm = stream;
        m->pUnkForRelease = nullptr;
        return S_OK;
    }
};

// An event sink of _FileDragDropEvents that records every event; with
// `acceptEvents` false it answers only IUnknown and IDispatch. It lives on the
// test's stack.
class RecordingSink final : public RefCounted<RecordingSink, ScopedLifetime, IDispatch> {
public:
    explicit RecordingSink(bool acceptEvents = true) : acceptEvents_(acceptEvents) {}
    std::vector<std::string> fileLists;
    std::vector<std::pair<int, int>> dragOvers;
    std::vector<VARTYPE> argumentTypes;
    std::function<void()> onEvent;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!acceptEvents_ && iid == tromsel::DIID__FileDragDropEvents) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return answerQueryInterface(static_cast<IDispatch*>(this), iid,
                                    {IID_IDispatch, tromsel::DIID__FileDragDropEvents}, object);
    }

    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                   UINT*) override {
        EXPECT_TRUE(iid == IID_NULL);
        EXPECT_EQ(lcid, LOCALE_USER_DEFAULT);
        EXPECT_EQ(flags, DISPATCH_METHOD);
        for (UINT i = 0; i < p->cArgs; ++i) {
            argumentTypes.push_back(p->rgvarg[i].vt);
        }
        if (member == tromsel::DISPID_FilesDropped && p->cArgs == 1 && p->rgvarg[0].vt == VT_BSTR) {
            fileLists.push_back(bstrToUtf8(p->rgvarg[0].bstrVal));
        } else if (member == tromsel::DISPID_DragOver && p->cArgs == 2) {
            dragOvers.emplace_back(p->rgvarg[1].lVal, p->rgvarg[0].lVal);
        }
        if (onEvent) {
            onEvent();
        }
        return E_FAIL;  // an answer the raiser must ignore
    }

private:
    bool acceptEvents_;
};

// A drop target like the program's own controls register; counts calls.
class RecordingDropTarget final : public DropTargetBase {
public:
    int enters = 0, overs = 0, leaves = 0, drops = 0;
    DWORD effect = DROPEFFECT_COPY;  // the effect it answers
    POINTL lastPoint{0, 0};
    DWORD lastKeys = 0;
    DWORD offeredEffect = 0;
    ComPtr<IDataObject> lastData;
    std::function<void()> onDragOver;

    HRESULT DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* eff) override {
        ++enters;
        lastData = ComPtr<IDataObject>(data);
        record(keys, pt, eff);
        return S_OK;
    }
    HRESULT DragOver(DWORD keys, POINTL pt, DWORD* eff) override {
        ++overs;
        record(keys, pt, eff);
        if (onDragOver) {
            onDragOver();
        }
        return S_OK;
    }
    HRESULT DragLeave() override {
        ++leaves;
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* eff) override {
        ++drops;
        lastData = ComPtr<IDataObject>(data);
        record(keys, pt, eff);
        return S_OK;
    }

private:
    void record(DWORD keys, POINTL pt, DWORD* eff) {
        lastKeys = keys;
        lastPoint = pt;
        offeredEffect = *eff;
        *eff = effect;
    }
};

}  // namespace quorvel::test
