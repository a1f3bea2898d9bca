#include "base/replacingfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

TReplacingFileStream::Temporary TReplacingFileStream::Create(const std::string& target) {
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat st {};
    // A folder cannot become the file; a missing folder fails at mkostemp.
    if (name.empty() || (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        throw EFCreateError(Format(msg::FCreateError, target));
    std::string pattern = folder + ".~" + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) throw EFCreateError(Format(msg::FCreateError, target));
    // The new file gets the mode of the one it replaces, or that of a newly created file.
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    return {buffer.data(), fd};
}

TReplacingFileStream::TReplacingFileStream(const std::string& target)
    : TReplacingFileStream(target, Create(target)) {}

TReplacingFileStream::TReplacingFileStream(const std::string& target, Temporary temporary)
    : TFileStream(temporary.name, temporary.fd), target_(target) {}

TReplacingFileStream::~TReplacingFileStream() {
    if (!committed_) ::unlink(FileName().c_str());
}

void TReplacingFileStream::Commit() {
    Close();
    if (::rename(FileName().c_str(), target_.c_str()) != 0) throw EWriteError(msg::WriteError);
    committed_ = true;
}

}  // namespace zavo
