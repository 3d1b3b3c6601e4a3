// The modal dialog for entering or viewing a longer text.
#pragma once

#include <windows.h>

#include <string>

namespace movrel {

// Shows `text` for editing (or only viewing with `readOnly`). Returns true
// and the edited text in `*result` when the user accepts. A second call
// while the dialog is open returns false at once.
bool TextEntryDialog(const std::string& prompt, const std::string& caption, const std::string& text, bool readOnly,
                     HWND parent, std::string* result);

}  // namespace movrel
