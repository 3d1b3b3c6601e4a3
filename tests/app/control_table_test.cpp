#include "app/control_table.h"

#include <gtest/gtest.h>

#include "common/time_text.h"

#include <array>
#include <set>

#include "bitmap/image_format.h"
#include "config/settings.h"
#include "output/compose_plan.h"
#include "output/delay_plan.h"
#include "record/composer_rules.h"

namespace movrel {
namespace {

TEST(ControlTable, EveryRowSitsAtItsOwnIndexWithAUniqueName) {
  const auto& table = MainControls();
  ASSERT_EQ(table.size(), static_cast<size_t>(kControlCount));
  std::set<std::string> names;
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(table[i].index, i) << ControlName(static_cast<ControlIndex>(i));
    EXPECT_TRUE(names.insert(ControlName(static_cast<ControlIndex>(i))).second);
    EXPECT_EQ(FindControl(ControlName(static_cast<ControlIndex>(i))), i);
    EXPECT_EQ(ControlFromId(ControlId(static_cast<ControlIndex>(i))), i);
  }
  EXPECT_EQ(FindControl("没有这个控件"), kControlCount);
  EXPECT_EQ(ControlFromId(kFirstControlId - 1), kControlCount);
  EXPECT_EQ(ControlFromId(kFirstControlId + kControlCount), kControlCount);
}

TEST(ControlTable, NamesAreTheGbkSettingsKeys) {
  // The name of a check box is its settings key, in GBK bytes.
  EXPECT_EQ(std::string(ControlName(选择框录制区域)), "\xD1\xA1\xD4\xF1\xBF\xF2\xC2\xBC\xD6\xC6\xC7\xF8\xD3\xF2");
}

TEST(ControlTable, EveryButtonStateIsASettingsKeyUnderItsName) {
  // Check boxes and radio buttons are stored under their control names.
  std::set<std::string> keyed;
  for (const SettingKey& k : kSettingsKeys) {
    if (k.property == SettingProperty::kChecked || k.property == SettingProperty::kSelected) {
      EXPECT_STREQ(k.key, k.control);
      ControlIndex index = FindControl(k.control);
      ASSERT_NE(index, kControlCount) << k.key;
      EXPECT_EQ(Control(index).kind,
                k.property == SettingProperty::kChecked ? ControlKind::kCheckBox : ControlKind::kRadio);
      keyed.insert(k.control);
    }
  }
  for (const ControlSpec& row : MainControls()) {
    if (row.kind == ControlKind::kCheckBox || row.kind == ControlKind::kRadio) {
      EXPECT_EQ(keyed.count(ControlName(row.index)), 1u) << ControlName(row.index);
    }
  }
  // Newer keys go behind the older ones, so files written before them load
  // as they did: 选择框精简GIF keeps its place, the font's later parts follow.
  EXPECT_STREQ(kSettingsKeys[47].control, ControlName(选择框精简GIF));
  EXPECT_STREQ(kSettingsKeys[49].key, "文字.粗细");
  EXPECT_STREQ(kSettingsKeys[kSettingsKeyCount - 5].control, ControlName(选择框抖动));
  EXPECT_STREQ(kSettingsKeys[kSettingsKeyCount - 4].control, ControlName(编辑框有损压缩));
  EXPECT_STREQ(kSettingsKeys[kSettingsKeyCount - 3].control, ControlName(编辑框大小上限));
  EXPECT_STREQ(kSettingsKeys[kSettingsKeyCount - 2].control, ControlName(选择框显示鼠标点击));
  EXPECT_STREQ(kSettingsKeys[kSettingsKeyCount - 1].control, ControlName(选择框显示按键));
}

TEST(ControlTable, ListsStartAtTheirInitialItems) {
  struct Case {
    ControlIndex list;
    size_t count;
    int initial;
    const char* initialText;
  } cases[] = {
      {组合框缩放, 18, 8, "100%"},       {组合框间隔单位, 4, 0, "毫"},     {组合框时间单位, 4, 2, "分"},
      {组合框播放次数, 9, 0, "无限循环"}, {组合框水印方位, 9, 8, "中间"},   {组合框保存格式, 5, 4, "PNG"},
      {组合框静态画面, 2, 0, "时间等待"},
  };
  for (const Case& c : cases) {
    const ControlSpec& row = Control(c.list);
    ASSERT_EQ(row.items.size(), c.count) << ControlName(c.list);
    EXPECT_EQ(row.initialIndex, c.initial);
    EXPECT_STREQ(row.items[static_cast<size_t>(c.initial)], c.initialText);
  }
  EXPECT_STREQ(Control(组合框播放次数).items[kPlayCountCustomItem], "指定次数..");
  EXPECT_STREQ(Control(组合框缩放).items.back(), "10%");
}

TEST(ControlTable, DependentsAreDisabledWhenTheirBoxStartsUnchecked) {
  for (const DependentGroup& group : DependentGroups()) {
    EXPECT_EQ(Control(group.checkBox).kind, ControlKind::kCheckBox);
    for (ControlIndex d : group.dependents) {
      EXPECT_NE(d, group.checkBox);
      EXPECT_TRUE(Control(d).initiallyEnabled);  // the rules, not the table, disable them
    }
  }
  // Only the four frame-feeding boxes refresh the sample frame.
  int refreshing = 0;
  for (const DependentGroup& group : DependentGroups()) refreshing += group.refreshesPreview;
  EXPECT_EQ(refreshing, 4);
}

TEST(ControlTable, ControlsInsideAGroupStayInsideIt) {
  // Group boxes are followed by their controls up to the next group box.
  const ControlSpec* group = nullptr;
  for (const ControlSpec& row : MainControls()) {
    if (row.kind == ControlKind::kGroupBox) {
      group = &row;
      continue;
    }
    if (!group || row.place.x >= 430) continue;  // right column
    const ControlPlace& g = group->place;
    const ControlPlace& p = row.place;
    int bottom = row.kind == ControlKind::kList ? p.y + 22 : p.y + p.height;  // a list's height is its drop-down
    EXPECT_GE(p.x, g.x) << ControlName(row.index);
    EXPECT_LE(p.x + p.width, g.x + g.width) << ControlName(row.index);
    EXPECT_GT(p.y, g.y) << ControlName(row.index);
    EXPECT_LE(bottom, g.y + g.height) << ControlName(row.index);
  }
}

TEST(ControlTable, NoTwoControlsOverlapAtAnyScale) {
  // The window scales every place by DPI / 96 with rounding; check the
  // scales of 96, 120, 144 and 192 DPI.
  for (int dpi : {96, 120, 144, 192}) {
    auto scaled = [dpi](const ControlSpec& s) {
      int h = s.kind == ControlKind::kList ? 22 : s.place.height;  // closed drop-down
      auto sc = [dpi](int v) { return (v * dpi + 48) / 96; };
      return std::array<int, 4>{sc(s.place.x), sc(s.place.y), sc(s.place.x + s.place.width), sc(s.place.y + h)};
    };
    const auto& table = MainControls();
    for (size_t i = 0; i < table.size(); ++i) {
      const ControlSpec& a = table[i];
      if (a.kind == ControlKind::kGroupBox || !a.visible) continue;
      for (size_t j = i + 1; j < table.size(); ++j) {
        const ControlSpec& b = table[j];
        if (b.kind == ControlKind::kGroupBox || !b.visible) continue;
        auto ra = scaled(a), rb = scaled(b);
        bool overlap = ra[0] < rb[2] && rb[0] < ra[2] && ra[1] < rb[3] && rb[1] < ra[3];
        EXPECT_FALSE(overlap) << ControlName(a.index) << " / " << ControlName(b.index) << " at " << dpi;
      }
    }
  }
}

// The lists show the values of the subsystems that read them, one item per
// value and in the values' order, so an index the shell reads decodes to
// the value its item names.
TEST(ListVocabularies, OneItemPerValueInOrder) {
  EXPECT_EQ(TimeUnitItems().size(), static_cast<size_t>(TimeUnit::kHours) + 1);
  EXPECT_EQ(SaveFormatItems().size(), static_cast<size_t>(SaveFormatIndex(kSavePng)) + 1);
  EXPECT_EQ(SaveFormatAt(SaveFormatIndex(kSaveTiff)), kSaveTiff);
  EXPECT_EQ(SaveFormatExtension(SaveFormatAt(-1)), "BMP");
  EXPECT_EQ(StillFramesFromIndex(StillFramesIndex(StillFrames::kSkip)), StillFrames::kSkip);
  EXPECT_EQ(WatermarkPlacementItems().size(), static_cast<size_t>(kPlaceCentre) + 1);
  EXPECT_EQ(PlayCountItems().size(), static_cast<size_t>(kPlayCountCustomItem) + 1);
  EXPECT_EQ(Control(组合框时间单位).items, TimeUnitItems());
  EXPECT_EQ(Control(组合框静态画面).items, StillFramesItems());
  EXPECT_EQ(Control(组合框保存格式).items, SaveFormatItems());
}

}  // namespace
}  // namespace movrel
