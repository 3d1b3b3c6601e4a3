#include "output/output_window_win.h"

namespace movrel {
namespace {

OutputWindow* outputWindow = nullptr;

}  // namespace

void SetOutputWindow(OutputWindow* window) { outputWindow = window; }

OutputWindow& TheOutputWindow() {
  static OutputWindow none;
  return outputWindow ? *outputWindow : none;
}

}  // namespace movrel
