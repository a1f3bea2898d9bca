// A file written under a temporary name in the target's folder and renamed over the target only
// when every byte has reached the disk, so a failed save never destroys an existing file.
#pragma once

#include <string>

#include "base/streams.h"

namespace zavo {

class TReplacingFileStream : public TFileStream {
public:
    // Raises EFCreateError "ファイル %s を作成できません" with the target's name when the folder
    // takes no new file.
    explicit TReplacingFileStream(const std::string& target);
    // Without Commit the temporary file is removed and the target stays as it was.
    ~TReplacingFileStream() override;

    // Flushes, closes and renames over the target; raises EWriteError when any of it fails.
    void Commit();

private:
    struct Temporary {
        std::string name;
        int fd;
    };
    TReplacingFileStream(const std::string& target, Temporary temporary);
    static Temporary Create(const std::string& target);

    std::string target_;
    bool committed_ = false;
};

}  // namespace zavo
