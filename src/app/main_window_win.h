// The main window: every settings control, the command links and the sample
// frame. Other subsystems read and write the settings through the accessors
// below, by control name.
#pragma once

#include <windows.h>

#include <string>

#include "app/control_table.h"
#include "common/handle_win.h"
#include "record/composer_rules.h"
#include "record/recording_context_win.h"
#include "record/recording_win.h"
#include "ui/ui_win.h"

namespace movrel {

// The watermark font and colours, owned by 编辑框文字内容.
struct WatermarkStyle {
  LOGFONTW font{};
  COLORREF textColour = kDefaultWatermarkTextColour;
  COLORREF backColour = kDefaultWatermarkBackColour;
};

struct MainWindow {
  // The program's recording and its recorder: made by the shell before this
  // window, and there until the process ends.
  RecordingContext* recording = nullptr;
  RecordingController* recorder = nullptr;
  HWND window = nullptr;
  HWND controls[kControlCount] = {};
  HWND tooltip = nullptr;
  UINT dpi = 96;
  UniqueFont uiFont;
  UniqueFont linkFont;
  UniqueFont watermarkFont;  // the font shown in 编辑框文字内容
  UniqueBrush watermarkBackBrush;
  WatermarkStyle watermark;
  // What the font dialog 对话框字体 was last given or returned.
  LOGFONTW fontDialogFont{};
  COLORREF fontDialogColour = kDefaultWatermarkTextColour;
  COLORREF pickerColours[kControlCount] = {};
  std::string saveDialogPath;   // file name of 对话框保存动画 (last GIF path)
  std::string sampleFrame;      // BMP bytes shown in 显示画板
  UniqueBitmap sampleBitmap;
  ControlIndex hovered = kControlCount;  // picture or link under the mouse
  bool recordingLook = false;            // start picture shows its recording look
};

MainWindow& Main();

// Creates the main window (hidden until the caller shows it).
bool CreateMainWindow();

HWND ControlWindow(ControlIndex index);
std::string ControlText(ControlIndex index);
void SetControlText(ControlIndex index, const std::string& text);
bool IsChecked(ControlIndex index);
void SetChecked(ControlIndex index, bool checked);
int ListIndex(ControlIndex index);
void SetListIndex(ControlIndex index, int item);
std::string ListItemText(ControlIndex index, int item);
void SetListItemText(ControlIndex index, int item, const std::string& text);
bool IsControlEnabled(ControlIndex index);
void EnableControl(ControlIndex index, bool enabled);
COLORREF PickerColour(ControlIndex index);
void SetPickerColour(ControlIndex index, COLORREF colour);
// Applies a new watermark font or colours to 编辑框文字内容.
void SetWatermarkStyle(const WatermarkStyle& style);

// Enables each check box's dependent controls; refreshes the sample frame
// when asked.
void RefreshDependentControls(bool refreshPreview);

// Composes a sample frame of the current settings and shows it in 显示画板
// (not while a recording runs or is paused).
void RefreshFramePreview();

// Shows the encoded sample frame in 显示画板.
void ShowSampleFrame(const std::string& bmpBytes);

// Redraws the start picture in its idle or recording look.
void SetStartPictureLook(bool recording);

// F9 and the start link: start, pause or resume. A fresh start empties the
// frame store, so it waits for no save and closes an open preview first.
void OnStartRecordingClicked();

}  // namespace movrel
