#include "ui/modal_loop.h"

namespace movrel {
namespace {

int openModalLoops = 0;
int openStoppableLoops = 0;  // of those, the ones F10 may end

}  // namespace

ModalLoopGuard::ModalLoopGuard(ModalKeys keys) : keys_(keys) {
  ++openModalLoops;
  if (keys_ == ModalKeys::kStop) ++openStoppableLoops;
}

ModalLoopGuard::~ModalLoopGuard() {
  --openModalLoops;
  if (keys_ == ModalKeys::kStop) --openStoppableLoops;
}

bool ModalLoopOpen() { return openModalLoops > 0; }

bool ModalLoopHoldsKey(bool stopKey) {
  return ModalLoopOpen() && !(stopKey && openModalLoops == openStoppableLoops);
}

}  // namespace movrel
