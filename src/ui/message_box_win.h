// The program's message box.
#pragma once

#include <string>

#include "ui/dialog_rules.h"

namespace movrel {

// Shows `text` with the given button and icon flags and returns a
// MessageResult (0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No).
int ShowMessage(const std::string& text, unsigned flags = kMbOk, const std::string& caption = std::string());

}  // namespace movrel
