#include "base/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

int64_t TStream::Size() {
    int64_t pos = Seek(0, SeekOrigin::Current);
    int64_t end = Seek(0, SeekOrigin::End);
    Seek(pos, SeekOrigin::Beginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(msg::ReadError);
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(msg::WriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t kChunk = 61440;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kChunk)));
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min(left, kChunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

TMemoryStream::~TMemoryStream() { std::free(data_); }

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_) return 0;
    int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (position_ > std::numeric_limits<int64_t>::max() - count) throw EStreamError(msg::MemoryStreamError);
    int64_t end = position_ + count;
    if (end > size_) {
        if (end > capacity_) SetCapacity(end);
        size_ = end;
    }
    std::memcpy(data_ + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    switch (origin) {
        case SeekOrigin::Beginning: position_ = offset; break;
        case SeekOrigin::Current: position_ += offset; break;
        case SeekOrigin::End: position_ = size_ + offset; break;
    }
    if (position_ < 0) position_ = 0;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) size = 0;
    if (size > capacity_) SetCapacity(size);
    size_ = size;
    if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = position_ = 0;
}

// Capacity grows in 8 KiB steps and at least by a quarter, so a stream written in many small
// pieces (the JPEG destination writes 4 KiB at a time) is not copied over and over.
void TMemoryStream::SetCapacity(int64_t wanted) {
    constexpr int64_t kStep = 8192;
    int64_t capacity = wanted;
    if (capacity_ > 0 && capacity < capacity_ + capacity_ / 4) capacity = capacity_ + capacity_ / 4;
    if (capacity > std::numeric_limits<int64_t>::max() - kStep) throw EStreamError(msg::MemoryStreamError);
    capacity = (capacity + kStep - 1) / kStep * kStep;
    if (static_cast<uint64_t>(capacity) > std::numeric_limits<size_t>::max())
        throw EStreamError(msg::MemoryStreamError);
    void* grown = std::realloc(data_, static_cast<size_t>(capacity));
    if (grown == nullptr) throw EStreamError(msg::MemoryStreamError);
    data_ = static_cast<uint8_t*>(grown);
    capacity_ = capacity;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    int64_t count = source.Size();
    SetSize(count);
    if (count != 0) source.ReadBuffer(data_, count);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) {
    if (size_ != 0) target.WriteBuffer(data_, size_);
}

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
    if (mode == FileMode::Create) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError(Format(msg::FCreateError, path));
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw EFOpenError(Format(msg::FOpenError, path));
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            throw EFOpenError(Format(msg::FOpenError, path));
        }
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done != count) writeFailed_ = true;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        writeFailed_ = true;
        throw EWriteError(msg::WriteError);
    }
    if (Position() > size) Seek(size, SeekOrigin::Beginning);
}

void TFileStream::Close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    bool ok = !writeFailed_ && (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS);
    ok = (::close(fd) == 0) && ok;
    if (!ok) throw EWriteError(msg::WriteError);
}

}  // namespace zavo
