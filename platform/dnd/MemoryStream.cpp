#include "platform/dnd/MemoryStream.h"

#include <cstring>
#include <new>

#include "platform/com/RefCounted.h"

namespace quorvel::dnd {

namespace {

class MemoryStream final : public com::RefCounted<MemoryStream, com::HeapLifetime, IStream> {
public:
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return com::answerQueryInterface(static_cast<IStream*>(this), iid, {IID_IStream}, object);
    }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (!buffer && size) {
            return com::E_POINTER;
        }
        const std::size_t left = bytes_.size() - position_;
        const ULONG n = left < size ? static_cast<ULONG>(left) : size;
        if (n) {
            std::memcpy(buffer, bytes_.data() + position_, n);
        }
        position_ += n;
        if (read) {
            *read = n;
        }
        return n == size ? com::S_OK : com::S_FALSE;
    }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

}  // namespace

HRESULT createMemoryStream(std::string bytes, IStream** stream) {
    if (!stream) {
        return com::E_POINTER;
    }
    *stream = new (std::nothrow) MemoryStream(std::move(bytes));
    return *stream ? com::S_OK : com::E_OUTOFMEMORY;
}

}  // namespace quorvel::dnd
