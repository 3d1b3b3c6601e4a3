// Whole-file reads and writes by GBK path. The Windows build goes through the
// W functions (code page 936 paths); the host build through the C library.
#pragma once

#include <string>

namespace movrel {

// True and the file's bytes, or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// Creates or replaces the file. False when any byte could not be written; a
// half-written file is removed again.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);

}  // namespace movrel
