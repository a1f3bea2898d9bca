#include "base/bytechannel.h"

#include <algorithm>
#include <cstring>

#include "base/exceptions.h"

namespace zavo {

int64_t TByteChannel::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return closed_ || readPosition_ < bytes_.size(); });
    size_t n = std::min(size_t(count), bytes_.size() - readPosition_);
    std::memcpy(buffer, bytes_.data() + readPosition_, n);
    readPosition_ += n;
    return int64_t(n);
}

int64_t TByteChannel::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return 0;
        auto* bytes = static_cast<const uint8_t*>(buffer);
        bytes_.insert(bytes_.end(), bytes, bytes + count);
    }
    arrived_.notify_one();
    return count;
}

int64_t TByteChannel::Seek(int64_t offset, SeekOrigin origin) {
    if (offset != 0 || origin != SeekOrigin::Current) throw EStreamError(msg::ReadError);
    std::lock_guard lock(mutex_);
    return int64_t(readPosition_);
}

void TByteChannel::SetSize(int64_t) { throw EStreamError(msg::WriteError); }

void TByteChannel::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    arrived_.notify_all();
}

}  // namespace zavo
