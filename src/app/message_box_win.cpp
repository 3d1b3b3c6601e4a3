#include "app/message_box_win.h"

#include <windows.h>

#include "app/hotkey_poll.h"
#include "common/gbk_win.h"

namespace movrel {

int ShowMessage(const std::string& text, unsigned flags, const std::string& caption) {
  // The box runs a modal loop of its own: no hotkey acts meanwhile.
  ModalLoopGuard modal;
  // Owned by the thread's active window so that the box stays in front of
  // whatever the user was working in.
  int id = MessageBoxW(GetActiveWindow(), ToWide(text).c_str(), ToWide(MessageCaption(caption)).c_str(),
                       MessageBoxStyle(flags));
  return MessageResultFromId(id);
}

}  // namespace movrel
