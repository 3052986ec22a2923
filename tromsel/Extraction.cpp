#include "tromsel/Extraction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/dnd/ClipboardFormats.h"
#include "platform/dnd/GlobalMemory.h"
#include "platform/dnd/MimeDataObject.h"

namespace quorvel::tromsel {

namespace {

using namespace com;
using namespace dnd;

bool writeAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not one.
size_t utf8Length(const unsigned char* s, size_t i, size_t n) {
    const unsigned char c = s[i];
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > n || (len == 2 && c < 0xC2)) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) {
            return 0;
        }
    }
    if (len == 3) {
        const unsigned cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return 0;
        }
    } else if (len == 4) {
        const unsigned cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6);
        if (cp < 0x10000 || cp > 0x10FFFF) {
            return 0;
        }
    }
    return len;
}

std::uint32_t readLe32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

}  // namespace

std::optional<std::string> safeItemName(const unsigned char* field) {
    size_t n = 0;
    while (n < kMaxPath && field[n]) {
        ++n;
    }
    if (n == kMaxPath) {
        return std::nullopt;  // no terminating zero inside the field
    }
    std::string name;
    for (size_t i = 0; i < n;) {
        const unsigned char c = field[i];
        if (c == '/' || c < 0x20 || c == 0x7F) {
            return std::nullopt;
        }
        const size_t len = utf8Length(field, i, n);
        if (len == 0) {
            name += '_';
            ++i;
        } else {
            name.append(reinterpret_cast<const char*>(field + i), len);
            i += len;
        }
    }
    // With "/" refused, ".." can only be the whole name.
    if (name == "..") {
        return std::nullopt;
    }
    return name;
}

// Creates (or empties) the file, then copies the stream through the buffer
// until the stream answers anything but S_OK or delivers less than a full
// buffer. A file that received no byte is removed. The result is the
// stream's last answer, or 0x80070000 + errno when the file cannot be created
// or written. A file left incomplete by a failed write or a failed read is
// removed too, so that no truncated mail is taken for a whole one.
HRESULT writeItem(const std::string& path, IStream* stream) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return hresultFromErrno(errno);
    }
    unsigned char buffer[kCopyBufferSize];
    size_t total = 0;
    HRESULT answer = S_OK;
    HRESULT fileError = S_OK;
    ULONG got = 0;
    do {
        got = 0;
        answer = stream->Read(buffer, kCopyBufferSize, &got);
        if (got > kCopyBufferSize) {
            got = kCopyBufferSize;  // a stream claiming more than it was asked for
        }
        if (got > 0) {
            if (!writeAll(fd, buffer, got)) {
                fileError = hresultFromErrno(errno);
                break;
            }
            total += got;
        }
    } while (answer == S_OK && got == kCopyBufferSize);
    if (::close(fd) != 0 && SUCCEEDED(fileError)) {
        fileError = hresultFromErrno(errno);
    }
    if (total == 0 || FAILED(fileError) || FAILED(answer)) {
        ::unlink(path.c_str());
    }
    return FAILED(fileError) ? fileError : answer;
}

HRESULT extractDroppedFiles(IDataObject* data, std::string& location, const FilesDroppedFn& filesDropped) {
    if (!data) {
        return S_OK;
    }
    const auto descriptorFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kDescriptorFormat));
    const auto contentsFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kContentsFormat));
    FORMATETC descriptor{descriptorFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC contents{contentsFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};

    HRESULT result = data->QueryGetData(&descriptor);
    if (result != S_OK) {
        return result;
    }
    result = data->QueryGetData(&contents);
    if (result != S_OK) {
        return result;
    }
    STGMEDIUM medium{};
    result = data->GetData(&descriptor, &medium);
    if (result != S_OK) {
        ReleaseStgMedium(&medium);
        return result;
    }
    if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) {
        ReleaseStgMedium(&medium);
        return DV_E_TYMED;
    }
    const auto* memory = static_cast<const unsigned char*>(GlobalLock(medium.hGlobal));
    const size_t size = GlobalSize(medium.hGlobal);
    auto finish = [&](HRESULT code) {
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        return code;
    };
    if (!memory || size < 4) {
        return finish(kInvalidDescriptor);
    }
    const std::uint32_t count = readLe32(memory);
    if (count > (size - 4) / kDescriptorRecordSize) {
        return finish(kInvalidDescriptor);
    }

    std::string fileList;
    result = S_OK;
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* record = memory + 4 + size_t(i) * kDescriptorRecordSize;
        const std::optional<std::string> name = safeItemName(record + kDescriptorNameOffset);
        if (!name) {
            result = hresultFromErrno(EINVAL);
            filesDropped(fileList);
            continue;
        }
        FORMATETC item = contents;
        item.lindex = static_cast<LONG>(i);
        STGMEDIUM itemMedium{};
        HRESULT fetched = data->GetData(&item, &itemMedium);
        if (fetched == S_OK && (itemMedium.tymed != TYMED_ISTREAM || !itemMedium.pstm)) {
            fetched = DV_E_TYMED;
        }
        if (fetched != S_OK) {
            ReleaseStgMedium(&itemMedium);
            result = fetched;
            filesDropped(fileList);
            continue;
        }
        if (location.empty()) {
            location = ".";
        }
        const std::string path = location + "/" + std::to_string(i) + *name;
        if (path.size() + 1 > kPathBufferSize) {
            ReleaseStgMedium(&itemMedium);
            result = hresultFromErrno(ENAMETOOLONG);
            filesDropped(fileList);
            continue;
        }
        result = writeItem(path, itemMedium.pstm);
        ReleaseStgMedium(&itemMedium);
        fileList += fileList.empty() ? path : "," + path;
        filesDropped(fileList);
    }
    return finish(result);
}

}  // namespace quorvel::tromsel
