// File-system look-ups and the trash.
#pragma once

#include <cstdint>
#include <string>

namespace zavo::platform {

// The size of the file or folder named by path (64-bit); -1 when there is no such entry.
int64_t FileSize(const std::string& path);
// True for an existing entry that is not a folder.
bool IsExistingFile(const std::string& path);
// True when both names reach the same file: the same device and inode, or, for names that do not
// exist yet, the same absolute path once "." and ".." and symbolic links are resolved.
bool SameFile(const std::string& a, const std::string& b);
// Moves the file to the desktop's trash (the freedesktop trash of the user's data folder); false
// when that fails.
bool MoveToTrash(const std::string& path);

}  // namespace zavo::platform
