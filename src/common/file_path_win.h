// FilePath at the Win32 boundary: wchar_t is a UTF-16 unit here, so the units
// pass to the W functions as they are.
#pragma once

#include <string>

#include "common/file_path.h"

namespace movrel {

inline const wchar_t* WidePath(const FilePath& path) { return reinterpret_cast<const wchar_t*>(path.Units().c_str()); }
inline std::wstring ToWide(const FilePath& path) { return std::wstring(WidePath(path), path.Units().size()); }
inline FilePath FilePathFromWide(const std::wstring& wide) { return FilePath(std::u16string(wide.begin(), wide.end())); }

// The system's temporary folder, ending in "\"; empty when it cannot be read.
FilePath SystemTempFolder();

}  // namespace movrel
