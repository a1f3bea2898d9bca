// Bytes one thread writes while another reads them, for decoding a file as it is being encoded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "base/streams.h"

namespace zavo {

// Write appends and wakes the reader; Read waits until there are bytes it has not read, and
// reports 0 only once the writer has closed the channel and every byte was read. Neither end
// seeks: Seek reports the read position and raises for anything else, SetSize raises.
class TByteChannel : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // No more bytes come; a reader waiting, now or later, is given the rest and then the end.
    void Close();

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<uint8_t> bytes_;
    size_t readPosition_ = 0;
    bool closed_ = false;
};

}  // namespace zavo
