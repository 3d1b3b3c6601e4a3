#include "record/composer_win.h"

#include <windows.h>

#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "record/follow_mouse_hook_win.h"
#include "select/select_entry_win.h"

namespace movrel {
namespace {

void PrepareFromSettings(FrameComposer& composer) {
  composer.Prepare(ReadComposerSettings(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

WatermarkSettings ReadWatermarkSettings() {
  WatermarkSettings w;
  w.imageOn = IsChecked(选择框图像水印);
  w.imageFile = ControlText(编辑框图像文件);
  w.imageTransparent = PickerColour(颜色选择器图像水印透明色);
  w.textOn = IsChecked(选择框文字水印);
  w.text = ControlText(编辑框文字内容);
  // The edit box shows the watermark's style: its font, text colour and
  // background colour are the watermark's.
  const WatermarkStyle& style = Main().watermark;
  w.font = style.font;
  w.textColour = style.textColour;
  w.backColour = style.backColour;
  w.placement = ListIndex(组合框水印方位);
  w.marginText = ControlText(编辑框边缘距离);
  return w;
}

}  // namespace

FrameComposer& Composer() {
  static FrameComposer composer;
  return composer;
}

ComposerSettings ReadComposerSettings() {
  ComposerSettings s;
  s.recordArea = IsChecked(选择框录制区域);
  s.leftText = ControlText(编辑框左边);
  s.topText = ControlText(编辑框顶边);
  s.widthText = ControlText(编辑框宽度);
  s.heightText = ControlText(编辑框高度);
  s.followMouse = IsChecked(选择框跟随鼠标);
  s.standardQuality = IsChecked(单选框标准);
  s.scaleItemText = ListItemText(组合框缩放, ListIndex(组合框缩放));
  s.showCursor = IsChecked(选择框显示鼠标);
  s.cursorFile = ControlText(编辑框光标文件);
  s.watermarks = ReadWatermarkSettings();
  return s;
}

void PrepareCapture() { PrepareFromSettings(Composer()); }

std::string ComposeFrame(bool previewMode) {
  FrameComposer& composer = Composer();
  if (previewMode) PrepareFromSettings(composer);
  // Follow-mouse applies to a recorded rectangle only: the whole screen has
  // nowhere to move.
  if (composer.followsMouse()) ApplyFollowMouse(composer.rect());
  UpdateFrameWindow();
  POINT pointer{};
  GetCursorPos(&pointer);
  std::string frame = composer.Compose(pointer.x, pointer.y);
  if (previewMode) {
    SetControlText(分组框1, SingleFrameCaption(frame.size(), composer.frameSize()));
    ReleaseComposer();
  }
  return frame;
}

void ReleaseComposer() { Composer().Release(); }

}  // namespace movrel
