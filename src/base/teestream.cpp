#include "base/teestream.h"

namespace zavo {

int64_t TTeeStream::Write(const void* buffer, int64_t count) {
    int64_t written = first_.Write(buffer, count);
    if (written > 0) second_.WriteBuffer(buffer, written);
    return written;
}

}  // namespace zavo
