// A file written under a temporary name in the target's folder and renamed over the target only
// once every byte is on the disk, so a failed save leaves an existing file as it was.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/streams.h"

namespace zavo {

// The system calls the replacing stream makes. Tests replace them to make one of them fail or to
// see their order.
struct FileCalls {
    std::function<int(const char* path, int flags, mode_t mode)> open;
    std::function<ssize_t(int fd, const void* buffer, size_t count)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;

    static FileCalls System();
};
// The calls in use: the system's own unless a test replaced them.
FileCalls& ReplacingFileCalls();

class TReplacingFileStream : public TStream {
public:
    // A symbolic link as target is kept: the file it leads to is the one replaced. Raises
    // EFCreateError "ファイル %s を作成できません" with the target's name when the target is a
    // folder, when the user may not write an existing target, or when no file can be made. A
    // folder that takes no new file gets an existing target written in place.
    explicit TReplacingFileStream(const std::string& target);
    // Without Commit the target stays as it was: the temporary file is removed, or a target written
    // in place gets its old bytes back.
    ~TReplacingFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Flushes the file to disk, closes it, renames it over the target and flushes the folder, so the
    // target is either the old file or the complete new one after a crash. Raises EWriteError
    // "ストリームへの書き込みエラー" when any of it, or an earlier write, failed; the target then
    // stays as it was unless only the folder's flush failed.
    void Commit();

    // True when path reaches the file written (after Commit), by whatever name.
    bool IsWrittenFile(const std::string& path) const;
    // The file the bytes replace: the target, or where its symbolic links lead.
    const std::string& FileName() const { return file_; }
    // True when the target is written in place because its folder takes no temporary file.
    bool InPlace() const { return inPlace_; }

private:
    bool OpenTemporary(const std::string& folder, const std::string& name, const struct stat* replaced);
    void OpenInPlace();
    void SyncFolder();
    void Discard() noexcept;
    void Restore() noexcept;
    [[noreturn]] void CreateFailed() const;

    std::string target_;
    std::string file_;
    std::string temporary_;
    int fd_ = -1;
    bool writeFailed_ = false;
    bool committed_ = false;
    bool inPlace_ = false;
    // A target written in place keeps its old bytes here until the new ones are on the disk.
    bool haveOriginal_ = false;
    TMemoryStream original_;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
};

}  // namespace zavo
