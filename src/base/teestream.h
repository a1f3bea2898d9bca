// A stream that writes every byte to two streams.
#pragma once

#include "base/streams.h"

namespace zavo {

// Writes go to first, then the same bytes to second; a write counts what first took, and second
// taking fewer raises EWriteError. Reading, seeking and sizing are first's.
class TTeeStream : public TStream {
public:
    TTeeStream(TStream& first, TStream& second) : first_(first), second_(second) {}

    int64_t Read(void* buffer, int64_t count) override { return first_.Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override { return first_.Seek(offset, origin); }
    void SetSize(int64_t size) override { first_.SetSize(size); }

private:
    TStream& first_;
    TStream& second_;
};

}  // namespace zavo
