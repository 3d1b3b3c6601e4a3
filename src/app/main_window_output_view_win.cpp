#include "app/main_window_output_view_win.h"

#include "app/control_table.h"
#include "app/main_window_win.h"
#include "output/output_window_win.h"
#include "output/compose_plan.h"

namespace movrel {
namespace {

class MainWindowOutputView : public OutputWindow {
 public:
  HWND Handle() override { return Main().window; }
  OutputChoices ReadChoices() override {
    OutputChoices c;
    c.playback.speedChangeText = ControlText(编辑框每帧变速);
    c.playback.speedChangeUnit = TimeUnitAt(ListIndex(组合框变速单位));
    c.playback.stillFrames = StillFramesFromIndex(ListIndex(组合框静态画面));
    const int playCountItem = ListIndex(组合框播放次数);
    c.playCount = PlayCountOfItem(playCountItem, ListItemText(组合框播放次数, playCountItem));
    c.file.compact = IsChecked(选择框精简GIF);
    c.file.dither = IsChecked(选择框抖动);
    c.file.lossyText = ControlText(编辑框有损压缩);
    c.file.limitText = ControlText(编辑框大小上限);
    return c;
  }
  void SetSaveCaption(const std::string& text) override { SetControlText(链接保存动画, text); }
  std::string LastSavePath() override { return Main().saveDialogPath; }
  void SetLastSavePath(const std::string& path) override { Main().saveDialogPath = path; }
  std::string CustomLoopItemText() override { return ListItemText(组合框播放次数, kPlayCountCustomItem); }
  void SetCustomLoopItemText(const std::string& text) override {
    SetListItemText(组合框播放次数, kPlayCountCustomItem, text);
  }
  void KeepPreviewSettings(const PreviewSettings& settings) override {
    SetControlText(编辑框每帧变速, settings.speedChangeText);
    SetListIndex(组合框变速单位, TimeUnitIndex(settings.speedChangeUnit));
    SetListIndex(组合框静态画面, StillFramesIndex(settings.stillFrames));
  }
};

}  // namespace

void ConnectOutputView() {
  static MainWindowOutputView view;
  SetOutputWindow(&view);
}

}  // namespace movrel
