#include "app/main_window_recording_view_win.h"

#include <windows.h>

#include "app/app_globals.h"
#include "app/main_window_win.h"
#include "app/tray_icon_win.h"
#include "common/desktop_win.h"
#include "common/number.h"
#include "record/recording_rules.h"
#include "record/recording_window_win.h"
#include "select/select_entry_win.h"

namespace movrel {
namespace {

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

class MainWindowRecordingView : public RecordingWindow {
 public:
  HWND Handle() override { return Main().window; }
  FilePath ProgramFolder() override { return Globals().programFolderPath; }
  RecordingSettings ReadRecordingSettings() override {
    RecordingSettings s;
    s.intervalText = ControlText(编辑框帧间隔);
    s.intervalUnit = TimeUnitAt(ListIndex(组合框间隔单位));
    s.stopAtCount = IsChecked(选择框停止帧数);
    s.countText = ControlText(编辑框帧数);
    s.stopAtTime = IsChecked(选择框停止时间);
    s.timeText = ControlText(编辑框时间);
    s.timeUnit = TimeUnitAt(ListIndex(组合框时间单位));
    s.countdown = IsChecked(选择框录制倒计时);
    s.countdownText = ControlText(编辑框倒计时值);
    s.hideMainWindow = IsChecked(选择框缩到托盘);
    s.saveFrames = IsChecked(选择框保存帧);
    s.savePathText = ControlText(编辑框保存路径);
    s.saveFormat = SaveFormatAt(ListIndex(组合框保存格式));
    s.autoClear = IsChecked(选择框自动清空帧);
    s.recordArea = IsChecked(选择框录制区域);
    s.rect = {LeadingInt(ControlText(编辑框左边)), LeadingInt(ControlText(编辑框顶边)), LeadingInt(ControlText(编辑框宽度)),
              LeadingInt(ControlText(编辑框高度))};
    s.desktop = ReadDesktop().Bounds();
    return s;
  }
  ComposerSettings ReadComposerSettings() override {
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
    s.showClicks = IsChecked(选择框显示鼠标点击);
    s.showKeys = IsChecked(选择框显示按键);
    s.watermarks = ReadWatermarkSettings();
    return s;
  }
  void PlaceCaptureRect(RecordRect& rect, bool followMouse) override {
    if (followMouse) FollowMouse(rect);
    UpdateFrameWindow();
  }
  void ShowPhase(RecorderPhase phase) override {
    SetControlText(链接开始录制, StartCaption(phase));
    SetStartPictureLook(phase == RecorderPhase::kRecording);
    const bool stoppable = phase != RecorderPhase::kIdle;
    EnableControl(图片框停止录制, stoppable);
    EnableControl(链接停止录制, stoppable);  // drawn violet while enabled, grey otherwise
  }
  void SetGroupCaption(const std::string& text) override { SetControlText(分组框1, text); }
  void HideMainWindow() override { ShowWindow(Main().window, SW_HIDE); }
  void ShowMainWindow() override { BringWindowToFront(Main().window); }
  bool TrayHidden() override { return Globals().trayHidden; }
  void ShowTray(RecorderTrayState state) override {
    switch (state) {
      case RecorderTrayState::kIdle: SetTrayState(TrayState::kIdle); return;
      case RecorderTrayState::kRecording: SetTrayState(TrayState::kRecording); return;
      case RecorderTrayState::kRecordingStill: SetTrayState(TrayState::kRecordingStill); return;
      case RecorderTrayState::kPaused: SetTrayState(TrayState::kPaused); return;
    }
  }
  void EnableSettingsGroups(bool enabled) override {
    // The controls inside a group box are the main window's children, not
    // the box's, so each one is switched; switching back on restores the
    // check boxes' rules.
    for (int i = 分组框1; i < 分组框4; ++i) EnableControl(static_cast<ControlIndex>(i), enabled);
    if (enabled) RefreshDependentControls(false);
  }
  void EnablePreviewAndSave(bool enabled) override {
    for (ControlIndex i : {图片框预览播放, 链接预览播放, 图片框保存动画, 链接保存动画}) EnableControl(i, enabled);
  }
};

}  // namespace

void ConnectRecordingView() {
  static MainWindowRecordingView view;
  SetRecordingWindow(&view);
}

}  // namespace movrel
