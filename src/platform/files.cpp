#include "platform/files.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zavo::platform {

int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool IsExistingFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    QFileInfo fa(QFile::decodeName(a.c_str())), fb(QFile::decodeName(b.c_str()));
    QString ca = fa.canonicalFilePath().isEmpty() ? fa.absoluteFilePath() : fa.canonicalFilePath();
    QString cb = fb.canonicalFilePath().isEmpty() ? fb.absoluteFilePath() : fb.canonicalFilePath();
    return ca == cb;
}

bool MoveToTrash(const std::string& path) {
    // Qt makes the trash inside the data folder only when that folder exists; otherwise it moves the
    // file into a "files" folder under the working directory. The data folder is made first.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) return false;
    return QFile::moveToTrash(QFile::decodeName(path.c_str()));
}

}  // namespace zavo::platform
