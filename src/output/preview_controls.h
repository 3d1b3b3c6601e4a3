// The preview window's controls by name, for the window itself and the test
// probe: a control's ID is kFirstPreviewControlId + its row.
#pragma once

namespace movrel {

#define MOVREL_PREVIEW_CONTROLS(X) \
  X(画板)                          \
  X(外形框)                        \
  X(滑块条)                        \
  X(按钮播放)                      \
  X(按钮循环)                      \
  X(按钮钉住)                      \
  X(按钮全屏)                      \
  X(按钮退出)                      \
  X(按钮设为起点)                  \
  X(按钮设为终点)                  \
  X(按钮删除本帧)                  \
  X(按钮裁掉首尾)                  \
  X(按钮撤销)                      \
  X(标签每帧变速)                  \
  X(编辑框每帧变速)                \
  X(组合框变速单位)                \
  X(标签静态画面)                  \
  X(组合框静态画面)                \
  X(标签预计大小)

// Scoped: several names are also names of main-window controls.
enum class PreviewControl : int {
#define MOVREL_PREVIEW_ENUM(name) name,
  MOVREL_PREVIEW_CONTROLS(MOVREL_PREVIEW_ENUM)
#undef MOVREL_PREVIEW_ENUM
  kCount
};

constexpr int kFirstPreviewControlId = 2000;
constexpr int kPreviewControlCount = static_cast<int>(PreviewControl::kCount);
constexpr int PreviewControlId(PreviewControl control) { return kFirstPreviewControlId + static_cast<int>(control); }

// GBK names, in the order of the enum.
inline const char* PreviewControlName(PreviewControl control) {
  static const char* const kNames[] = {
#define MOVREL_PREVIEW_NAME(name) #name,
      MOVREL_PREVIEW_CONTROLS(MOVREL_PREVIEW_NAME)
#undef MOVREL_PREVIEW_NAME
  };
  int i = static_cast<int>(control);
  return i >= 0 && i < kPreviewControlCount ? kNames[i] : "";
}

// The window class of the preview (a top-level window owned by the main
// window), by which the probe finds it whatever its caption says.
constexpr const wchar_t kPreviewWindowClass[] = L"MovrelPreviewWindow";

}  // namespace movrel
