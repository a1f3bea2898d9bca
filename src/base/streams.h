// Byte streams: the abstract stream, a growable memory buffer and a file. Reads and writes report
// the number of bytes moved; ReadBuffer and WriteBuffer insist on the full count.
#pragma once

#include <cstdint>
#include <string>

namespace zavo {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Beginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    // Raise EReadError / EWriteError when fewer than count bytes move.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position (the whole source from its start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return size_; }
    // Growing fills the new bytes with nothing in particular; the position stays unless it lies
    // past the new end.
    void SetSize(int64_t size) override;

    // Releases the memory; size and position become 0.
    void Clear();
    uint8_t* Memory() { return data_; }
    const uint8_t* Memory() const { return data_; }

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target);

private:
    void SetCapacity(int64_t capacity);

    uint8_t* data_ = nullptr;
    int64_t size_ = 0;
    int64_t capacity_ = 0;
    int64_t position_ = 0;
};

enum class FileMode { OpenRead, Create };

// A file opened for reading (others may not write meanwhile: not enforced on Linux) or created
// (truncated) for writing. path is a byte string in the locale's encoding.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, FileMode mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Flushes to disk and closes; raises EWriteError when the system reports a failure or an earlier
    // write fell short (a full disk), also when the caller ignored that write's count.
    void Close();
    const std::string& FileName() const { return path_; }

protected:
    // Takes over a file descriptor that is already open for writing.
    TFileStream(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

private:
    std::string path_;
    int fd_ = -1;
    bool writeFailed_ = false;
};

}  // namespace zavo
