#include "base/replacingfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <vector>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

FileCalls FileCalls::System() {
    return {[](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
            ::write, ::fsync, ::close, ::rename};
}

FileCalls& ReplacingFileCalls() {
    static FileCalls calls = FileCalls::System();
    return calls;
}

namespace {

// Linux follows at most 40 links while resolving one path.
constexpr int kMaxLinks = 40;
// Long enough that a clash with another file is unlikely; never longer than the target's name.
constexpr size_t kTemporaryLength = 16;
constexpr int kTemporaryAttempts = 100;

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Characters, not bytes: folders on cards count a name's length in UTF-16 units.
size_t CharacterCount(const std::string& name) {
    return size_t(std::count_if(name.begin(), name.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

// ASCII letters and digits of one case, so the name is legal on every file system and is as long in
// bytes as in characters; hidden by a leading dot where there is room for one.
std::string TemporaryName(size_t length, std::mt19937_64& random) {
    static constexpr char kSigns[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<size_t> pick(0, sizeof kSigns - 2);
    std::string name = length > 1 ? "." : "";
    while (name.size() < length) name += kSigns[pick(random)];
    return name;
}

int64_t WriteAll(int fd, const void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ReplacingFileCalls().write(fd, p + done, size_t(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

[[noreturn]] void WriteFailed() { throw EWriteError(msg::WriteError); }

}  // namespace

TReplacingFileStream::TReplacingFileStream(const std::string& target) : target_(target) {
    file_ = target;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(file_.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hop == kMaxLinks) CreateFailed();
        std::vector<char> text(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        ssize_t n = ::readlink(file_.c_str(), text.data(), text.size());
        if (n <= 0 || size_t(n) >= text.size()) CreateFailed();
        std::string link(text.data(), size_t(n));
        file_ = link.front() == '/' ? link : FolderOf(file_) + link;
    }
    const std::string name = NameOf(file_);
    struct stat st {};
    const bool exists = ::stat(file_.c_str(), &st) == 0;
    // A folder cannot become the file; a missing folder fails when the temporary file is made.
    if (name.empty() || (exists && S_ISDIR(st.st_mode))) CreateFailed();
    // Asked of the system, which knows the user's groups, access lists and read-only mounts.
    if (exists && ::faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS) != 0) CreateFailed();
    if (OpenTemporary(FolderOf(file_), name, exists ? &st : nullptr)) return;
    if (!exists || !S_ISREG(st.st_mode)) CreateFailed();
    OpenInPlace();
}

TReplacingFileStream::~TReplacingFileStream() {
    if (!committed_) Discard();
}

void TReplacingFileStream::CreateFailed() const { throw EFCreateError(Format(msg::FCreateError, target_)); }

bool TReplacingFileStream::OpenTemporary(const std::string& folder, const std::string& name,
                                         const struct stat* replaced) {
    // A temporary name no longer than the target's fits wherever the target's name fits.
    const size_t length = std::min(kTemporaryLength, std::max<size_t>(CharacterCount(name), 1));
    std::mt19937_64 random(std::random_device{}());
    // A replacing file stays private until it has the replaced file's owner and mode; a new one
    // gets the mode the user's umask gives.
    const mode_t mode = replaced ? 0600 : 0666;
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string candidate = folder + TemporaryName(length, random);
        int fd = ReplacingFileCalls().open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return false;
        fd_ = fd;
        temporary_ = candidate;
        if (replaced) {
            // The owner needs rights the user may lack; the group may still be one of the user's.
            const bool ownerKept = ::fchown(fd_, replaced->st_uid, replaced->st_gid) == 0 ||
                                   ::fchown(fd_, uid_t(-1), replaced->st_gid) == 0;
            // Set after the owner, whose change clears the set-user and set-group bits; those bits
            // are not handed to a file that now belongs to someone else.
            if (::fchmod(fd_, replaced->st_mode & (ownerKept ? 07777 : 01777)) != 0) {
                Discard();
                CreateFailed();
            }
        }
        return true;
    }
    return false;
}

void TReplacingFileStream::OpenInPlace() {
    // Kept so that a failed write can put the old bytes back; a target that cannot be read is
    // written without that net.
    try {
        TFileStream old(file_, FileMode::OpenRead);
        original_.LoadFromStream(old);
        haveOriginal_ = true;
    } catch (const EStreamError&) {
        original_.Clear();
    }
    fd_ = ReplacingFileCalls().open(file_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
    if (fd_ < 0) CreateFailed();
    inPlace_ = true;
}

int64_t TReplacingFileStream::Read(void*, int64_t) { return 0; }

int64_t TReplacingFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t done = WriteAll(fd_, buffer, count);
    if (done != count) writeFailed_ = true;
    return done;
}

int64_t TReplacingFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, off_t(offset), whence);
    return r < 0 ? -1 : int64_t(r);
}

void TReplacingFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, off_t(size)) != 0) {
        writeFailed_ = true;
        WriteFailed();
    }
    if (Position() > size) Seek(size, SeekOrigin::Beginning);
}

void TReplacingFileStream::Commit() {
    if (committed_) return;
    FileCalls& calls = ReplacingFileCalls();
    try {
        if (writeFailed_) WriteFailed();
        // Some file systems cannot flush and say so; there is nothing more to wait for then.
        if (calls.fsync(fd_) != 0 && errno != EINVAL) WriteFailed();
        struct stat st {};
        if (::fstat(fd_, &st) != 0) WriteFailed();
        device_ = uint64_t(st.st_dev);
        inode_ = uint64_t(st.st_ino);
        int fd = fd_;
        fd_ = -1;
        if (calls.close(fd) != 0) WriteFailed();
        if (!inPlace_) {
            if (calls.rename(temporary_.c_str(), file_.c_str()) != 0) WriteFailed();
            temporary_.clear();
        }
    } catch (const EWriteError&) {
        Discard();
        throw;
    }
    committed_ = true;
    if (!inPlace_) SyncFolder();
}

void TReplacingFileStream::SyncFolder() {
    FileCalls& calls = ReplacingFileCalls();
    std::string folder = FolderOf(file_);
    int fd = calls.open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    // A folder the user may not read cannot be flushed; the rename is left to the system then.
    if (fd < 0) return;
    bool synced = calls.fsync(fd) == 0 || errno == EINVAL;
    calls.close(fd);
    if (!synced) WriteFailed();
}

bool TReplacingFileStream::IsWrittenFile(const std::string& path) const {
    struct stat st {};
    return committed_ && ::stat(path.c_str(), &st) == 0 && uint64_t(st.st_dev) == device_ &&
           uint64_t(st.st_ino) == inode_;
}

void TReplacingFileStream::Discard() noexcept {
    if (fd_ >= 0) ReplacingFileCalls().close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    if (inPlace_) Restore();
}

void TReplacingFileStream::Restore() noexcept {
    if (!haveOriginal_) return;
    FileCalls& calls = ReplacingFileCalls();
    int fd = calls.open(file_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
    if (fd < 0) return;
    if (WriteAll(fd, original_.Memory(), original_.Size()) == original_.Size()) calls.fsync(fd);
    calls.close(fd);
    haveOriginal_ = false;
}

}  // namespace zavo
