// The turning of a mail program's virtual files into files, with the
// descriptor list and the item contents taken from the input and handed over
// by a data object as a mail program's drag would. Whatever the names say,
// every file lands in the drop folder under a clean name and holds exactly
// its item's bytes.
//
// Input: one byte of behaviour flags, the descriptor's length (32 bits, little
// endian), the descriptor, then the item contents separated by "\0--\0".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/com/RefCounted.h"
#include "platform/dnd/ClipboardFormats.h"
#include "platform/dnd/GlobalMemory.h"
#include "platform/dnd/MimeDataObject.h"
#include "tromsel/Extraction.h"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::com;
using namespace quorvel::dnd;

namespace {

enum Flags : uint8_t {
    kNoDescriptorFormat = 1,  // the drag offers no descriptor
    kNoContentsFormat = 2,    // nor any contents
    kOddItemsFail = 4,        // the contents of odd items cannot be had
    kStreamsFailHalfway = 8,  // every stream fails after half its bytes
    kStreamsOverstate = 16,   // a full read claims more bytes than were asked for
};

constexpr std::string_view kItemSeparator{"\0--\0", 4};

class InputStream final : public RefCounted<InputStream, HeapLifetime, IStream> {
public:
    InputStream(std::string bytes, uint8_t flags) : bytes_(std::move(bytes)), flags_(flags) {
        failAt_ = flags & kStreamsFailHalfway ? bytes_.size() / 2 : SIZE_MAX;
    }
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface<IStream>(this, iid, {IID_IStream}, object);
    }
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        const std::size_t n = std::min({std::size_t(size), bytes_.size() - pos_, failAt_ > pos_ ? failAt_ - pos_ : 0});
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        *read = static_cast<ULONG>(n);
        if (n < size && pos_ >= failAt_) {
            return E_FAIL;
        }
        if (n == size && (flags_ & kStreamsOverstate)) {
            *read = size + 100;
        }
        return n == size ? S_OK : S_FALSE;
    }

private:
    std::string bytes_;
    uint8_t flags_;
    std::size_t pos_ = 0;
    std::size_t failAt_;
};

// Lives on the stack of one run.
class InputDataObject final : public RefCounted<InputDataObject, ScopedLifetime, IDataObject> {
public:
    uint8_t flags = 0;
    std::string descriptor;
    std::vector<std::string> contents;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface<IDataObject>(this, iid, {IID_IDataObject}, object);
    }
    HRESULT QueryGetData(FORMATETC* f) override {
        if (f->cfFormat == RegisterClipboardFormatA(kDescriptorFormat)) {
            return !(flags & kNoDescriptorFormat) && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
        }
        if (f->cfFormat == RegisterClipboardFormatA(kContentsFormat)) {
            return !(flags & kNoContentsFormat) && (f->tymed & TYMED_ISTREAM) ? S_OK : DV_E_FORMATETC;
        }
        return DV_E_FORMATETC;
    }
    HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override {
        if (const HRESULT available = QueryGetData(f); available != S_OK) {
            return available;
        }
        m->pUnkForRelease = nullptr;
        if (f->cfFormat == RegisterClipboardFormatA(kDescriptorFormat)) {
            // Exactly as large as the descriptor, so that reading past it is caught.
            m->tymed = TYMED_HGLOBAL;
            m->hGlobal = GlobalAlloc(GMEM_MOVEABLE, descriptor.size());
            std::memcpy(GlobalLock(m->hGlobal), descriptor.data(), descriptor.size());
            GlobalUnlock(m->hGlobal);
            return S_OK;
        }
        if (!itemAvailable(f->lindex)) {
            return f->lindex >= 0 && std::size_t(f->lindex) < contents.size() ? E_FAIL : DV_E_LINDEX;
        }
        m->tymed = TYMED_ISTREAM;
        m->pstm = new InputStream(contents[std::size_t(f->lindex)], flags);
        return S_OK;
    }
    bool itemAvailable(LONG i) const {
        return i >= 0 && std::size_t(i) < contents.size() && !((flags & kOddItemsFail) && i % 2 == 1);
    }
};

uint32_t readLe32(std::string_view bytes) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) {
        v |= uint32_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return v;
}

std::string join(const std::vector<std::string>& paths) {
    std::string out;
    for (const std::string& p : paths) {
        out += out.empty() ? p : "," + p;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.size() < 5) {
        return 0;
    }
    InputDataObject object;
    object.flags = static_cast<uint8_t>(input[0]);
    std::string_view rest = input.substr(5);
    const std::size_t descriptorSize = std::min<std::size_t>(readLe32(input.substr(1)), rest.size());
    object.descriptor.assign(rest.substr(0, descriptorSize));
    rest.remove_prefix(descriptorSize);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(kItemSeparator), rest.size());
        object.contents.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + kItemSeparator.size(), rest.size()));
    }

    // The drop folder lies in a folder of its own, so that a file written
    // beside it is seen too.
    const std::string& scratch = fuzz::scratchFolder();
    fuzz::emptyFolder(scratch);
    std::string location = scratch + "/drop";
    fs::create_directory(location);
    const std::string dropFolder = location;

    std::vector<std::string> events;
    const HRESULT result = tromsel::extractDroppedFiles(
        &object, location, [&](const std::string& fileList) { events.push_back(fileList); });

    // What should have happened, item by item.
    std::map<std::string, std::string> expected;
    std::vector<std::string> handled;
    uint32_t items = 0;
    const bool offered = !(object.flags & (kNoDescriptorFormat | kNoContentsFormat));
    const std::string& d = object.descriptor;
    if (offered && d.size() >= 4 && readLe32(d) <= (d.size() - 4) / kDescriptorRecordSize) {
        items = readLe32(d);
    }
    for (uint32_t i = 0; i < items; ++i) {
        const auto* record = reinterpret_cast<const unsigned char*>(d.data()) + 4 + i * kDescriptorRecordSize;
        const std::optional<std::string> name = tromsel::safeItemName(record + kDescriptorNameOffset);
        if (!name || !object.itemAvailable(static_cast<LONG>(i))) {
            continue;
        }
        const std::string path = dropFolder + "/" + std::to_string(i) + *name;
        if (path.size() + 1 > tromsel::kPathBufferSize) {
            continue;
        }
        handled.push_back(path);
        const std::string& bytes = object.contents[i];
        const bool failsHalfway = object.flags & kStreamsFailHalfway;
        if (bytes.empty() || failsHalfway) {
            expected.erase(path);
        } else {
            expected[path] = bytes;
        }
    }

    if (!offered && (result == S_OK || !events.empty())) {
        fuzz::fail("a drop without both formats was taken", input);
    }
    if (events.size() != items) {
        fuzz::fail("one event per item expected, got " + std::to_string(events.size()), input);
    }
    if (items > 0 && events.back() != join(handled)) {
        fuzz::fail("the last event names other files: " + events.back(), input);
    }
    if (location != dropFolder) {
        fuzz::fail("the drop location changed to " + location, input);
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(scratch, ec)) {
        if (entry.path().string() != dropFolder) {
            fuzz::fail("something was written beside the drop folder: " + entry.path().string(), input);
        }
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dropFolder, ec)) {
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || entry.is_symlink()) {
            fuzz::fail("the drop made something other than a file: " + path, input);
        }
        if (!fuzz::isValidUtf8(name) || std::any_of(name.begin(), name.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
            })) {
            fuzz::fail("a file name that is no clean text: " + name, input);
        }
        const auto want = expected.find(path);
        if (want == expected.end()) {
            fuzz::fail("a file that no item should have made: " + path, input);
        }
        std::string got(want->second.size() + 1, '\0');
        FILE* f = std::fopen(path.c_str(), "rb");
        got.resize(f ? std::fread(got.data(), 1, got.size(), f) : 0);
        if (f) {
            std::fclose(f);
        }
        if (got != want->second) {
            fuzz::fail("a file that does not hold its item's bytes: " + path, input);
        }
        ++files;
    }
    if (files != expected.size()) {
        fuzz::fail("an item's file is missing", input);
    }
    return 0;
}
