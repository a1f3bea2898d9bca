// A file written under a temporary name in the target's folder and renamed over the target only
// when every byte has reached the disk, so a failed save never destroys an existing file.
#pragma once

#include <string>

#include "base/streams.h"

namespace zavo {

class TReplacingFileStream : public TStream {
public:
    // Raises EFCreateError "ファイル %s を作成できません" with the target's name when the folder
    // takes no new file.
    explicit TReplacingFileStream(const std::string& target);
    // Without Commit the temporary file is removed and the target stays as it was.
    ~TReplacingFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Flushes, closes and renames over the target; raises EWriteError when any of it fails.
    void Commit();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace zavo
