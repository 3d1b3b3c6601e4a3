#include "app/control_table.h"

#include "bitmap/image_format.h"
#include "common/time_text.h"
#include "output/compose_plan.h"
#include "output/delay_plan.h"
#include "record/composer_rules.h"
#include "record/watermark_text.h"

namespace movrel {
namespace {

using K = ControlKind;

std::vector<ControlSpec> BuildTable() {
  // Rows are in ControlIndex order; a host test checks that every row sits
  // at its own index.
  return {
      {分组框1, K::kGroupBox, "1.基本设置", {8, 4, 420, 222}},
      {选择框录制区域, K::kCheckBox, "录制区域(否则全屏幕)", {18, 22, 200, 20}, nullptr, {}, 1},
      {超级按钮矩形, K::kPictureButton, "", {388, 20, 30, 26}, "单击开始选定矩形\r\n同时按下Ctrl键时\r\n载入已设置的矩形"},
      {标签左边, K::kLabel, "左边", {18, 53, 30, 16}},
      {编辑框左边, K::kEdit, "0", {50, 50, 52, 22}},
      {标签顶边, K::kLabel, "顶边", {112, 53, 30, 16}},
      {编辑框顶边, K::kEdit, "0", {144, 50, 52, 22}},
      {标签宽度, K::kLabel, "宽度", {206, 53, 30, 16}},
      {编辑框宽度, K::kEdit, "500", {238, 50, 52, 22}},
      {标签高度, K::kLabel, "高度", {300, 53, 30, 16}},
      {编辑框高度, K::kEdit, "500", {332, 50, 52, 22}},
      {选择框跟随鼠标, K::kCheckBox, "跟随鼠标", {18, 78, 92, 20}},
      {选择框显示外框, K::kCheckBox, "显示外框", {112, 78, 92, 20}},
      {标签画质, K::kLabel, "画质", {220, 81, 30, 16}},
      {单选框标准, K::kRadio, "标准", {252, 78, 58, 20}, nullptr, {}, 1},
      {单选框稍逊, K::kRadio, "稍逊", {314, 78, 58, 20}},
      {标签帧间隔, K::kLabel, "帧间隔", {18, 109, 50, 16}},
      {编辑框帧间隔, K::kEdit, "200", {70, 106, 58, 22}},
      {组合框间隔单位, K::kList, "", {132, 106, 50, 200}, nullptr, TimeUnitItems(), 0},
      {标签缩放, K::kLabel, "缩放", {220, 109, 36, 16}},
      {组合框缩放,
       K::kList,
       "",
       {258, 106, 80, 300},
       nullptr,
       {"5000%", "2000%", "1000%", "400%", "200%", "150%", "130%", "110%", "100%", "90%", "80%", "70%", "60%",
        "50%", "40%", "30%", "20%", "10%"},
       8},
      {标签静态画面, K::kLabel, "静态画面", {18, 137, 60, 16}},
      {组合框静态画面, K::kList, "", {80, 134, 104, 200}, nullptr, StillFramesItems(), 0},
      {标签每帧变速, K::kLabel, "每帧变速", {218, 137, 60, 16}},
      {编辑框每帧变速, K::kEdit, "0", {278, 134, 60, 22}},
      {组合框变速单位, K::kList, "", {342, 134, 50, 200}, nullptr, TimeUnitItems(), 0},
      {标签播放次数, K::kLabel, "播放次数", {18, 165, 60, 16}},
      {组合框播放次数,
       K::kList,
       "",
       {80, 162, 104, 300},
       nullptr,
       PlayCountItems(),
       0},
      {选择框显示鼠标, K::kCheckBox, "显示鼠标", {18, 193, 80, 20}, nullptr, {}, 1},
      {编辑框光标文件, K::kEdit, "指定一个鼠标指针文件", {100, 192, 282, 22}},
      {按钮选择光标, K::kButton, "..", {386, 192, 30, 22}},

      {分组框3, K::kGroupBox, "2.水印设置", {8, 232, 420, 170}},
      {选择框图像水印, K::kCheckBox, "图像水印", {18, 252, 80, 20}},
      {编辑框图像文件, K::kEdit, "指定一个图像文件", {100, 251, 186, 22}},
      {按钮选择图像, K::kButton, "..", {290, 251, 30, 22}},
      {标签透明色, K::kLabel, "透明色", {328, 254, 40, 16}},
      {颜色选择器图像水印透明色, K::kColourPicker, "", {370, 251, 48, 22}, "图像水印中当作透明的颜色", {}, 0, true,
       true, true},
      {选择框文字水印, K::kCheckBox, "文字水印", {18, 281, 80, 20}},
      {按钮输入文字, K::kButton, "输入..", {100, 280, 64, 22}},
      {按钮设置字体, K::kButton, "字体..", {168, 280, 64, 22}},
      {标签背景色, K::kLabel, "背景色", {328, 283, 40, 16}},
      {颜色选择器文字水印背景色, K::kColourPicker, "", {370, 280, 48, 22}, "文字水印的背景色", {}, 0, true, true,
       true},
      {编辑框文字内容, K::kMultiLineEdit, kDefaultWatermarkText, {18, 308, 400, 56}},
      {标签水印方位, K::kLabel, "水印方位", {18, 375, 60, 16}},
      {组合框水印方位,
       K::kList,
       "",
       {80, 372, 80, 300},
       nullptr,
       WatermarkPlacementItems(),
       8},
      {标签边缘距离, K::kLabel, "边缘距离(像素)", {220, 375, 96, 16}},
      {编辑框边缘距离, K::kEdit, "5", {318, 372, 52, 22}},

      {分组框4, K::kGroupBox, "3.增强设置", {8, 408, 420, 220}},
      {选择框停止帧数, K::kCheckBox, "停止于帧数", {18, 428, 92, 20}},
      {编辑框帧数, K::kEdit, "200", {112, 427, 58, 22}},
      {选择框停止时间, K::kCheckBox, "停止于时间", {200, 428, 92, 20}},
      {编辑框时间, K::kEdit, "1.5", {294, 427, 56, 22}},
      {组合框时间单位, K::kList, "", {354, 427, 50, 200}, nullptr, TimeUnitItems(), 2},
      {选择框录制倒计时, K::kCheckBox, "开始录制时启动倒计时（单位：秒）", {18, 456, 250, 20}, nullptr, {}, 1},
      {编辑框倒计时值, K::kEdit, "3", {270, 455, 40, 22}},
      {选择框缩到托盘, K::kCheckBox, "缩到托盘", {330, 456, 88, 20}, nullptr, {}, 1},
      {选择框保存帧, K::kCheckBox, "保存每帧图到", {18, 484, 104, 20}},
      {编辑框保存路径, K::kEdit, "\\帧文件夹", {124, 483, 164, 22}},
      {组合框保存格式, K::kList, "", {292, 483, 60, 200}, nullptr, SaveFormatItems(), 4},
      {按钮选择帧路径, K::kButton, "..", {356, 483, 30, 22}, "单击选择文件夹\r\n右击打开该文件夹"},
      {选择框自动清空帧, K::kCheckBox, "自动清空帧（避免储存空间占满，但这将不能保存动画）", {18, 512, 400, 20},
       nullptr, {}, 1},
      // Only composing a GIF reads these: saving, copying and the preview's
      // size estimate.
      {选择框精简GIF, K::kCheckBox, "精简GIF（颜色准确、体积更小）", {18, 540, 240, 20},
       "勾选：颜色准确，每帧只存变化的像素，颜色表很小\r\n不勾选：传统格式，每帧都带自己的256色颜色表", {}, 1},
      {选择框抖动, K::kCheckBox, "抖动（渐变更平滑）", {262, 540, 156, 20},
       "勾选：颜色多于颜色表的画面用有序抖动减色，渐变和照片更平滑，文件可能稍大\r\n"
       "只在勾选“精简GIF”时有效"},
      {标签有损压缩, K::kLabel, "有损压缩(0-100)", {18, 571, 100, 16}},
      {编辑框有损压缩, K::kEdit, "0", {120, 568, 40, 22},
       "0：不损失画质\r\n1-100：允许变化的像素带少许颜色误差，数值越大文件越小、画质越差\r\n"
       "只在勾选“精简GIF”时有效"},
      {标签大小上限, K::kLabel, "大小上限", {200, 571, 54, 16}},
      {编辑框大小上限, K::kEdit, "", {256, 568, 56, 22},
       "保存的GIF不超过这个大小（单位MB，可带小数，如9.5）\r\n"
       "超出时依次提高有损压缩、减少颜色、缩小画面，直到不超过为止\r\n空或0：不限大小"},
      {标签大小单位, K::kLabel, "MB（空为不限）", {316, 571, 104, 16}},
      // Read at the start of a recording, as the watermarks are.
      {选择框显示鼠标点击, K::kCheckBox, "显示鼠标点击", {18, 598, 120, 20},
       "录制时在画面中标出鼠标的每次按下：\r\n左键黄圈、右键蓝圈、中键绿圈，按住时实心，松开后渐隐"},
      {选择框显示按键, K::kCheckBox, "显示按键", {200, 598, 100, 20},
       "录制时在画面底部显示按下的键和组合键（如 Ctrl+S）\r\n密码框中输入的字符显示为圆点，本程序的热键不显示"},

      {显示画板, K::kCanvas, "", {440, 12, 204, 154}, "单击查看原始大小"},
      {处理画板, K::kCanvas, "", {440, 12, 1, 1}, nullptr, {}, 0, true, false},
      {图片框开始录制, K::kPicture, "", {446, 184, 24, 24}},
      {链接开始录制, K::kLink, "开始录制(F9)", {476, 188, 150, 18}},
      {图片框停止录制, K::kPicture, "", {446, 216, 24, 24}, nullptr, {}, 0, false},
      {链接停止录制, K::kLink, "停止录制(F10)", {476, 220, 150, 18}, nullptr, {}, 0, false},
      {图片框预览播放, K::kPicture, "", {446, 248, 24, 24}, nullptr, {}, 0, false},
      {链接预览播放, K::kLink, "预览播放", {476, 252, 150, 18}, nullptr, {}, 0, false},
      {图片框保存动画, K::kPicture, "", {446, 280, 24, 24}, nullptr, {}, 0, false},
      {链接保存动画, K::kLink, "保存动画", {476, 284, 170, 34}, "单击保存为GIF文件\r\n右击复制到剪贴板", {}, 0, false},
      {链接保存配置, K::kLink, "保存配置", {476, 520, 150, 18}},
      {链接疑点说明, K::kLink, "疑点说明", {476, 548, 150, 18}},
      {链接软件主页, K::kLink, "软件主页", {476, 576, 150, 18}},
  };
}

}  // namespace

const std::vector<ControlSpec>& MainControls() {
  static const std::vector<ControlSpec> table = BuildTable();
  return table;
}

const ControlSpec& Control(ControlIndex index) { return MainControls()[static_cast<size_t>(index)]; }

const char* ControlName(ControlIndex index) {
  static const char* const kNames[] = {
#define MOVREL_CONTROL_NAME(name) #name,
      MOVREL_MAIN_CONTROLS(MOVREL_CONTROL_NAME)
#undef MOVREL_CONTROL_NAME
  };
  if (index < 0 || index >= kControlCount) return "";
  return kNames[index];
}

ControlIndex FindControl(const std::string& name) {
  for (int i = 0; i < kControlCount; ++i) {
    if (name == ControlName(static_cast<ControlIndex>(i))) return static_cast<ControlIndex>(i);
  }
  return kControlCount;
}

ControlIndex ControlFromId(int id) {
  int i = id - kFirstControlId;
  return (i >= 0 && i < kControlCount) ? static_cast<ControlIndex>(i) : kControlCount;
}

const std::vector<DependentGroup>& DependentGroups() {
  static const std::vector<DependentGroup> groups = {
      {选择框录制区域,
       {编辑框左边, 编辑框顶边, 编辑框宽度, 编辑框高度, 选择框跟随鼠标, 选择框显示外框, 超级按钮矩形},
       true},
      {选择框显示鼠标, {编辑框光标文件, 按钮选择光标}, true},
      {选择框图像水印, {编辑框图像文件, 按钮选择图像, 颜色选择器图像水印透明色}, true},
      {选择框文字水印, {编辑框文字内容, 按钮输入文字, 按钮设置字体, 颜色选择器文字水印背景色}, true},
      {选择框停止帧数, {编辑框帧数}, false},
      {选择框停止时间, {编辑框时间, 组合框时间单位}, false},
      {选择框录制倒计时, {编辑框倒计时值}, false},
      {选择框保存帧, {编辑框保存路径, 组合框保存格式, 选择框自动清空帧, 按钮选择帧路径}, false},
      // The size limit applies to either layout.
      {选择框精简GIF, {选择框抖动, 编辑框有损压缩}, false},
  };
  return groups;
}

std::string FeatureNotes() {
  return "【静止画面】\r\n"
         "录制时，若某一帧与上一保存帧的图像完全相同，就记为“静止画面”，不再保存图像。"
         "合成时按“静态画面”的选择处理：“时间等待”把它的时间并入前一帧的延时，"
         "“直接跳过”则直接丢弃它。标题栏中的“<静止画面>”表示当前帧没有变化。\r\n"
         "\r\n"
         "【动态区域定位】\r\n"
         "第一次保存前，程序把每一帧与前一保存帧按位异或比较，只保留包含全部变化像素的最小矩形，"
         "并记下它在画面中的位置。这样每帧只存变化的部分，GIF文件会小很多。\r\n"
         "\r\n"
         "【热键】\r\n"
         "F8：选定录制矩形（同时按下Ctrl键时载入已设置的矩形）\r\n"
         "F9：开始、暂停、继续录制\r\n"
         "F10：停止录制\r\n"
         "F11：显示或隐藏外框\r\n"
         "Alt+F12：隐藏或显示托盘图标和主窗口\r\n"
         "热键在任何程序处于前台时都有效。\r\n"
         "\r\n"
         "【托盘图标】\r\n"
         "托盘图标显示录制状态：空闲、正在录制、静止画面、已暂停。"
         "单击图标显示或隐藏主窗口，右击图标可退出程序。\r\n"
         "\r\n"
         "【画质】\r\n"
         "“标准”以24位色截取每帧；“稍逊”以8位色（系统调色板）截取，文件更小但颜色较差。"
         "勾选“精简GIF”时，不超过255色的画面按原色保存，颜色更多时按画面中实际的颜色取色，"
         "每帧只保存变化的像素；不勾选时每帧按颜色出现的多少取256色。"
         "“抖动”让需要减色的画面用有序抖动，渐变更平滑；“有损压缩”（0-100，0为不使用）"
         "允许变化的像素带少许颜色误差以换取更小的文件，这两项只在勾选“精简GIF”时有效。"
         "“大小上限”（单位MB，可带小数，空或0为不限）让保存的文件不超过该大小："
         "超出时依次提高有损压缩、减少颜色、缩小画面，都不够时不写入文件并提示；"
         "预览窗口显示按当前设置保存的预计大小。\r\n"
         "\r\n"
         "【帧间隔】\r\n"
         "两次截图之间的时间，单位可选毫秒、秒、分、时。合成时每帧的延时按实际截图的时间计算，"
         "动画以录制时的速度播放。\r\n"
         "\r\n"
         "【缩放】\r\n"
         "截取的画面按所选比例缩放后再保存，缩小可以减小文件。\r\n"
         "\r\n"
         "【每帧变速】\r\n"
         "合成时从每帧延时中减去该值：正数使动画加快，负数使动画变慢。\r\n"
         "\r\n"
         "【水印变量】\r\n"
         "文字水印中可以引用 #年、#月、#日、#时、#分、#秒，"
         "录制时每帧都会替换为该帧的日期和时间。图像水印可指定一种透明色，选“透明色”则不透明地绘制。";
}

}  // namespace movrel
