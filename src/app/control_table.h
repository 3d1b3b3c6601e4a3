// The main window's controls: one table that carries each control's Chinese
// name, kind, caption, tip, list items, initial value and place. Creation,
// the enabling rules, the settings and the test probe all read this table,
// and a control's ID is derived from its row, so every one of them addresses
// a control by the same name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace movrel {

// The controls in the order of the table (and of the tab order). The names
// double as settings keys for check boxes and radio buttons.
#define MOVREL_MAIN_CONTROLS(X) \
  X(分组框1)                    \
  X(选择框录制区域)             \
  X(超级按钮矩形)               \
  X(标签左边)                   \
  X(编辑框左边)                 \
  X(标签顶边)                   \
  X(编辑框顶边)                 \
  X(标签宽度)                   \
  X(编辑框宽度)                 \
  X(标签高度)                   \
  X(编辑框高度)                 \
  X(选择框跟随鼠标)             \
  X(选择框显示外框)             \
  X(标签画质)                   \
  X(单选框标准)                 \
  X(单选框稍逊)                 \
  X(标签帧间隔)                 \
  X(编辑框帧间隔)               \
  X(组合框间隔单位)             \
  X(标签缩放)                   \
  X(组合框缩放)                 \
  X(标签静态画面)               \
  X(组合框静态画面)             \
  X(标签每帧变速)               \
  X(编辑框每帧变速)             \
  X(组合框变速单位)             \
  X(标签播放次数)               \
  X(组合框播放次数)             \
  X(选择框显示鼠标)             \
  X(编辑框光标文件)             \
  X(按钮选择光标)               \
  X(分组框3)                    \
  X(选择框图像水印)             \
  X(编辑框图像文件)             \
  X(按钮选择图像)               \
  X(标签透明色)                 \
  X(颜色选择器图像水印透明色)   \
  X(选择框文字水印)             \
  X(按钮输入文字)               \
  X(按钮设置字体)               \
  X(标签背景色)                 \
  X(颜色选择器文字水印背景色)   \
  X(编辑框文字内容)             \
  X(标签水印方位)               \
  X(组合框水印方位)             \
  X(标签边缘距离)               \
  X(编辑框边缘距离)             \
  X(分组框4)                    \
  X(选择框停止帧数)             \
  X(编辑框帧数)                 \
  X(选择框停止时间)             \
  X(编辑框时间)                 \
  X(组合框时间单位)             \
  X(选择框录制倒计时)           \
  X(编辑框倒计时值)             \
  X(选择框缩到托盘)             \
  X(选择框保存帧)               \
  X(编辑框保存路径)             \
  X(组合框保存格式)             \
  X(按钮选择帧路径)             \
  X(选择框自动清空帧)           \
  X(选择框精简GIF)              \
  X(选择框抖动)                 \
  X(标签有损压缩)               \
  X(编辑框有损压缩)             \
  X(标签大小上限)               \
  X(编辑框大小上限)             \
  X(标签大小单位)               \
  X(选择框显示鼠标点击)         \
  X(选择框显示按键)             \
  X(显示画板)                   \
  X(处理画板)                   \
  X(图片框开始录制)             \
  X(链接开始录制)               \
  X(图片框停止录制)             \
  X(链接停止录制)               \
  X(图片框预览播放)             \
  X(链接预览播放)               \
  X(图片框保存动画)             \
  X(链接保存动画)               \
  X(链接保存配置)               \
  X(链接疑点说明)               \
  X(链接软件主页)

enum ControlIndex : int {
#define MOVREL_CONTROL_ENUM(name) name,
  MOVREL_MAIN_CONTROLS(MOVREL_CONTROL_ENUM)
#undef MOVREL_CONTROL_ENUM
  kControlCount
};

enum class ControlKind {
  kGroupBox,
  kLabel,
  kCheckBox,
  kRadio,
  kEdit,
  kMultiLineEdit,
  kList,           // drop-down list
  kButton,
  kPictureButton,  // button that shows a picture instead of a caption
  kColourPicker,   // shows a colour; click chooses one (or "透明色")
  kCanvas,         // picture canvas
  kPicture,        // small picture beside a link
  kLink,
};

// Where a control sits, in client pixels at 96 DPI (scaled for other DPIs).
struct ControlPlace {
  int x, y, width, height;
};

struct ControlSpec {
  ControlIndex index;
  ControlKind kind;
  const char* caption;  // caption, or the initial text of an edit
  ControlPlace place;
  const char* tip = nullptr;
  std::vector<const char*> items = {};  // list items
  int initialIndex = 0;                 // list selection; 1 = checked for check boxes and radios
  bool initiallyEnabled = true;
  bool visible = true;
  bool allowsTransparent = false;  // colour pickers: offers "透明色"
};

// Control IDs are 1000 + the row of the table.
constexpr int kFirstControlId = 1000;
inline int ControlId(ControlIndex index) { return kFirstControlId + static_cast<int>(index); }

const std::vector<ControlSpec>& MainControls();
const ControlSpec& Control(ControlIndex index);

// The control's name (GBK), as the settings file and the probe spell it.
const char* ControlName(ControlIndex index);
// The control of that name, or kControlCount when there is none.
ControlIndex FindControl(const std::string& name);
// The control of that ID, or kControlCount.
ControlIndex ControlFromId(int id);

// Check boxes whose state enables other controls, with the controls each one
// disables while it is unchecked.
struct DependentGroup {
  ControlIndex checkBox;
  std::vector<ControlIndex> dependents;
  bool refreshesPreview;  // a click also refreshes the sample frame
};
const std::vector<DependentGroup>& DependentGroups();

constexpr const char* kMainWindowTitle = "Movrel v1.0.2.1";

// The feature notes shown by "疑点说明".
std::string FeatureNotes();

}  // namespace movrel
