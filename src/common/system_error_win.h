// The system's own words for an error code, as the program's messages quote
// them.
#pragma once

#include <windows.h>

#include <string>

namespace movrel {

// The system's text for `code` in GBK, without the line break and spaces the
// system ends it with; empty when the system has no text for it.
std::string SystemErrorMessage(DWORD code);

}  // namespace movrel
