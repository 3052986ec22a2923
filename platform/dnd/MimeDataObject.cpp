#include "platform/dnd/MimeDataObject.h"

#include <QMimeData>
#include <QPointer>
#include <QStringList>

#include <cstring>
#include <new>
#include <optional>

#include "platform/com/RefCounted.h"
#include "platform/dnd/ClipboardFormats.h"
#include "platform/dnd/GlobalMemory.h"
#include "platform/dnd/MemoryStream.h"

namespace quorvel::dnd {

namespace {

using com::E_OUTOFMEMORY;
using com::E_POINTER;
using com::E_UNEXPECTED;
using com::S_OK;

// Answers QueryInterface only inside this library, to find the adapter behind
// an IDataObject.
constexpr com::IID IID_MimeDataObject{0x5E0C61A2, 0x3B7D, 0x4F19, {0x8A, 0x64, 0x2D, 0x91, 0xC7, 0x0B, 0x53, 0xE8}};

enum class Kind { None, Descriptor, DescriptorW, Contents };

// A format name in Qt's Windows form: the name, and for "FileContents" the
// item index (0 when the name carries none).
struct WindowsName {
    std::string name;
    long index;
};

std::optional<WindowsName> parseWindowsName(const QString& mime) {
    const QString prefix = QString::fromLatin1(kQtWindowsMimePrefix);
    if (!mime.startsWith(prefix)) {
        return std::nullopt;
    }
    const qsizetype close = mime.indexOf(QLatin1Char('"'), prefix.size());
    if (close < 0) {
        return std::nullopt;
    }
    WindowsName w{mime.mid(prefix.size(), close - prefix.size()).toStdString(), 0};
    const QString rest = mime.mid(close + 1).trimmed();
    if (rest.isEmpty()) {
        return w;
    }
    static const QString indexTag = QStringLiteral(";index=");
    if (!rest.startsWith(indexTag)) {
        return std::nullopt;
    }
    bool ok = false;
    const long index = rest.mid(indexTag.size()).trimmed().toLong(&ok);
    if (!ok || index < 0) {
        return std::nullopt;
    }
    w.index = index;
    return w;
}

bool isFileUri(const QByteArray& bytes) {
    return bytes.trimmed().left(5).toLower() == "file:";
}

HRESULT memoryMedium(const QByteArray& bytes, STGMEDIUM* medium) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<std::size_t>(bytes.size()));
    if (!memory) {
        return E_OUTOFMEMORY;
    }
    if (!bytes.isEmpty()) {
        std::memcpy(GlobalLock(memory), bytes.constData(), static_cast<std::size_t>(bytes.size()));
        GlobalUnlock(memory);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

void putLe32(QByteArray& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<qsizetype>(offset) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A descriptor of one item, in the ANSI or the wide layout, with the item's
// size filled in.
QByteArray singleItemDescriptor(bool wide, std::uint64_t size) {
    constexpr std::uint32_t FD_FILESIZE = 0x40;
    const std::size_t record = wide ? kDescriptorWRecordSize : kDescriptorRecordSize;
    QByteArray bytes(static_cast<qsizetype>(4 + record), '\0');
    putLe32(bytes, 0, 1);
    putLe32(bytes, 4, FD_FILESIZE);
    putLe32(bytes, 4 + 64, static_cast<std::uint32_t>(size >> 32));
    putLe32(bytes, 4 + 68, static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
    const std::size_t nameAt = 4 + kDescriptorNameOffset;
    for (std::size_t i = 0; kMessageItemName[i]; ++i) {
        bytes[static_cast<qsizetype>(nameAt + (wide ? 2 * i : i))] = kMessageItemName[i];
    }
    return bytes;
}

class MimeDataObject final : public com::RefCounted<MimeDataObject, com::HeapLifetime, IDataObject> {
public:
    explicit MimeDataObject(const QMimeData* mime) : mime_(mime) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == com::IID_IUnknown || iid == IID_IDataObject) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        if (iid == IID_MimeDataObject) {
            *object = this;  // no reference: used only within this library
            return S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }

    HRESULT QueryGetData(FORMATETC* format) override {
        if (!format) {
            return E_POINTER;
        }
        if (!mime_) {
            return E_UNEXPECTED;
        }
        const Kind kind = kindOf(format->cfFormat);
        if (kind == Kind::None) {
            return DV_E_FORMATETC;
        }
        if (format->dwAspect != DVASPECT_CONTENT) {
            return DV_E_DVASPECT;
        }
        const DWORD medium = kind == Kind::Contents ? TYMED_ISTREAM : TYMED_HGLOBAL;
        if (!(format->tymed & medium)) {
            return DV_E_TYMED;
        }
        if (kind != Kind::Contents) {
            if (format->lindex != -1) {
                return DV_E_LINDEX;
            }
            return descriptorName(kind) || hasMessage() ? S_OK : DV_E_FORMATETC;
        }
        if (format->lindex == -1) {
            return hasAnyContents() || hasMessage() ? S_OK : DV_E_FORMATETC;
        }
        if (contentsName(format->lindex) || (hasMessage() && !hasWindowsDescriptor() && format->lindex == 0)) {
            return S_OK;
        }
        return hasAnyContents() || hasMessage() ? DV_E_LINDEX : DV_E_FORMATETC;
    }

    HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!medium) {
            return E_POINTER;
        }
        medium->tymed = TYMED_NULL;
        medium->hGlobal = nullptr;
        medium->pUnkForRelease = nullptr;
        const HRESULT available = QueryGetData(format);
        if (available != S_OK) {
            return available;
        }
        const Kind kind = kindOf(format->cfFormat);
        if (kind != Kind::Contents) {
            if (auto name = descriptorName(kind)) {
                return memoryMedium(mime_->data(*name), medium);
            }
            const QByteArray& message = messageBytes();
            if (isFileUri(message)) {
                return DV_E_FORMATETC;  // a reference to a file, not a message
            }
            return memoryMedium(singleItemDescriptor(kind == Kind::DescriptorW, std::uint64_t(message.size())), medium);
        }
        QByteArray bytes;
        if (auto name = contentsName(format->lindex)) {
            bytes = mime_->data(*name);
        } else {
            bytes = messageBytes();
            if (isFileUri(bytes)) {
                return DV_E_FORMATETC;
            }
        }
        IStream* stream = nullptr;
        HRESULT result = createMemoryStream(bytes.toStdString(), &stream);
        if (com::FAILED(result)) {
            return result;
        }
        medium->tymed = TYMED_ISTREAM;
        medium->pstm = stream;
        return S_OK;
    }

    void detach() { mime_ = nullptr; }
    const QMimeData* mimeData() const { return mime_.data(); }

private:
    static Kind kindOf(CLIPFORMAT format) {
        static const UINT descriptor = RegisterClipboardFormatA(kDescriptorFormat);
        static const UINT descriptorW = RegisterClipboardFormatA(kDescriptorWFormat);
        static const UINT contents = RegisterClipboardFormatA(kContentsFormat);
        if (format == descriptor) {
            return Kind::Descriptor;
        }
        if (format == descriptorW) {
            return Kind::DescriptorW;
        }
        if (format == contents) {
            return Kind::Contents;
        }
        return Kind::None;
    }

    // The mime name carrying a descriptor in Qt's Windows form, if offered.
    std::optional<QString> descriptorName(Kind kind) const {
        const std::string wanted = kind == Kind::DescriptorW ? kDescriptorWFormat : kDescriptorFormat;
        for (const QString& f : mime_->formats()) {
            auto w = parseWindowsName(f);
            if (w && w->name == wanted) {
                return f;
            }
        }
        return std::nullopt;
    }
    std::optional<QString> contentsName(long index) const {
        for (const QString& f : mime_->formats()) {
            auto w = parseWindowsName(f);
            if (w && w->name == kContentsFormat && w->index == index) {
                return f;
            }
        }
        return std::nullopt;
    }
    bool hasWindowsDescriptor() const { return descriptorName(Kind::Descriptor) || descriptorName(Kind::DescriptorW); }
    bool hasAnyContents() const {
        for (const QString& f : mime_->formats()) {
            auto w = parseWindowsName(f);
            if (w && w->name == kContentsFormat) {
                return true;
            }
        }
        return false;
    }
    // A message drag counts only when no Windows-form descriptor is offered.
    bool hasMessage() const {
        return !hasWindowsDescriptor() && mime_->formats().contains(QString::fromLatin1(kMessageMime));
    }
    const QByteArray& messageBytes() {
        if (!message_) {
            message_ = mime_->data(QString::fromLatin1(kMessageMime));
        }
        return *message_;
    }

    QPointer<const QMimeData> mime_;
    std::optional<QByteArray> message_;  // read once, at the drop
};

MimeDataObject* adapterOf(IDataObject* data) {
    void* adapter = nullptr;
    if (!data || com::FAILED(data->QueryInterface(IID_MimeDataObject, &adapter))) {
        return nullptr;
    }
    return static_cast<MimeDataObject*>(adapter);
}

}  // namespace

HRESULT createMimeDataObject(const QMimeData* mime, IDataObject** data) {
    if (!data) {
        return E_POINTER;
    }
    *data = new (std::nothrow) MimeDataObject(mime);
    return *data ? S_OK : E_OUTOFMEMORY;
}

void detachMimeDataObject(IDataObject* data) {
    if (MimeDataObject* adapter = adapterOf(data)) {
        adapter->detach();
    }
}

const QMimeData* mimeDataOf(IDataObject* data) {
    MimeDataObject* adapter = adapterOf(data);
    return adapter ? adapter->mimeData() : nullptr;
}

}  // namespace quorvel::dnd
