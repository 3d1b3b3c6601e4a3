#include "app/main_window_selection_view_win.h"

#include <string>

#include "app/app_globals.h"
#include "app/main_window_win.h"
#include "common/number.h"
#include "record/recorder.h"
#include "select/select_entry_win.h"

namespace movrel {
namespace {

class MainWindowSelectionView : public SelectionWindow {
 public:
  HWND Handle() override { return Main().window; }
  bool RectangleEditable() override { return !Main().recording->state.Underway(); }
  FrameRequest ReadFrameRequest() override {
    FrameRequest request;
    request.recordArea = IsChecked(选择框录制区域);
    request.showFrame = IsChecked(选择框显示外框);
    request.followMouse = IsChecked(选择框跟随鼠标);
    request.rect.left = LeadingInt(ControlText(编辑框左边));
    request.rect.top = LeadingInt(ControlText(编辑框顶边));
    request.rect.width = LeadingInt(ControlText(编辑框宽度));
    request.rect.height = LeadingInt(ControlText(编辑框高度));
    return request;
  }
  void SetRectangle(const RecordRect& rect) override {
    {
      SettingsLoadingGuard loading;
      SetControlText(编辑框左边, std::to_string(rect.left));
      SetControlText(编辑框顶边, std::to_string(rect.top));
      SetControlText(编辑框宽度, std::to_string(rect.width));
      SetControlText(编辑框高度, std::to_string(rect.height));
    }
    RefreshFramePreview();
  }
};

}  // namespace

void ConnectSelectionView() {
  static MainWindowSelectionView view;
  SetSelectionWindow(&view);
}

}  // namespace movrel
