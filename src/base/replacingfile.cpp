#include "base/replacingfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

TReplacingFileStream::TReplacingFileStream(const std::string& target) : target_(target) {
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat st {};
    // A folder, or a name whose folder does not exist, cannot become the file.
    if (name.empty() || (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        throw EFCreateError(Format(msg::FCreateError, target));
    std::string pattern = (slash == std::string::npos ? "" : folder) + ".~" + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0) throw EFCreateError(Format(msg::FCreateError, target));
    temp_ = buffer.data();
    // The new file gets the mode of the one it replaces, or that of a newly created file.
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd_, mode);
}

TReplacingFileStream::~TReplacingFileStream() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

int64_t TReplacingFileStream::Read(void*, int64_t) { return 0; }

int64_t TReplacingFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done != count) failed_ = true;
    return done;
}

int64_t TReplacingFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TReplacingFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) failed_ = true;
}

void TReplacingFileStream::Commit() {
    int fd = fd_;
    fd_ = -1;
    bool ok = !failed_ && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp_.c_str(), target_.c_str()) != 0) throw EWriteError(msg::WriteError);
    temp_.clear();
}

}  // namespace zavo
