// The recording state machine on a scripted host: the frames come from a
// list, the clock moves on by one tick with every frame composed (and as the
// test says), the calls into windows, composer and folders are noted in
// order, and the frame store is the real one on real files.
#include "record/composer_rules.h"
#include "record/recorder.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <set>

#include "common/file_io.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

// The scripted frames are 40 x 30 pictures of 24 bits named by a text: every
// row repeats the text's bytes, so two names differ in every pixel. "A+x,y"
// is picture A with the pixel (x, y) from the top left made white.
constexpr int32_t kWidth = 40, kHeight = 30;
constexpr size_t kStride = 120;

std::string PixelsNamed(const std::string& name) {
  const size_t plus = name.find('+');
  const std::string base = name.substr(0, plus);
  std::string rows(kStride * kHeight, '\0');
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = base[i % kStride % base.size()];
  if (plus != std::string::npos) {
    const int x = std::stoi(name.substr(plus + 1)), y = std::stoi(name.substr(name.find(',') + 1));
    rows.replace(kStride * static_cast<size_t>(kHeight - 1 - y) + 3 * static_cast<size_t>(x), 3, "\xFF\xFF\xFF");
  }
  return rows;
}

PixelRows RowsOf(const std::string& pixels) {
  return PixelRows{reinterpret_cast<const uint8_t*>(pixels.data()), kWidth, kHeight, 24, kStride};
}

// The whole picture of a scripted frame as BMP file bytes.
std::string Bmp(const std::string& name) {
  const std::string pixels = PixelsNamed(name);
  return BmpOfBlock(RowsOf(pixels), RowsOf(pixels).Whole());
}

class ScriptedHost : public RecorderHost {
 public:
  int64_t NowMs() override { return nowMs; }
  RecordingSettings ReadSettings() override { return settings; }
  FilePath ProgramFolder() override { return FilePath::FromGbk("C:\\prog\\"); }
  void ShowPhase(RecorderPhase phase) override { Note(StartCaption(phase)); }
  void HideMainWindow() override { Note("hide"); }
  bool TrayHidden() override { return trayHidden; }
  void ShowMainWindow() override { Note("show"); }
  void EnableSettingsGroups(bool enabled) override { Note(enabled ? "groups on" : "groups off"); }
  void EnablePreviewAndSave(bool enabled) override { Note(enabled ? "save on" : "save off"); }
  void RunCountdown(int seconds) override {
    Note("countdown " + std::to_string(seconds));
    if (duringCountdown) duringCountdown();
  }
  void CancelCountdown() override { Note("cancel countdown"); }
  void WaitWithEvents(int ms) override { Note("wait " + std::to_string(ms)); }
  void PumpEvents() override {
    if (duringPump) duringPump();
  }
  void PrepareCapture() override { Note("prepare"); }
  ComposedFrame ComposeFrame(int64_t) override {
    ++composed;
    nowMs += tickMs;
    ComposedFrame f;
    const std::string name = frames.empty() ? "same" : frames.front();
    if (frames.size() > 1) frames.pop_front();
    names.insert(name);
    // A failed grab, as the composer reports it: no picture.
    pixels = name.empty() ? std::string() : PixelsNamed(name);
    if (!pixels.empty()) f.pixels = RowsOf(pixels);
    f.sceneChanged = sceneChanged;
    return f;
  }
  void StartInputWatch(int64_t clockOriginMs) override {
    watching = true;
    watchStartsMs.push_back(nowMs - clockOriginMs);
  }
  void StopInputWatch() override { watching = false; }
  void ReleaseComposer() override { Note("release"); }
  void SetRecordingTimer(int32_t ms) override { timerMs = ms; }
  void FitWorkCanvas(PixelSize size) override { canvas = size; }
  void SetGroupCaption(const std::string& text) override { caption = text; }
  void ShowWarning(const std::string& text) override { Note("warn " + text); }
  std::string LastErrorText() override { return "磁盘已满。"; }
  void ShowTray(RecorderTrayState state, const std::string& tip) override {
    tray = state;
    trayTip = tip;
  }
  void MakeDirectoryChain(const FilePath& path) override { Note("chain " + path.Gbk()); }
  void DeleteTreeInBackground(const FilePath& path) override { Note("delete " + path.Utf8()); }
  FilePath MakeRecordingTempDir() override {
    std::string folder = root.Folder().Utf8() + "rec" + std::to_string(++folders) + "/";
    if (tempDirMade) std::filesystem::create_directory(folder);
    // A folder with the name of a frame's file: that frame cannot be written.
    if (tempDirMade && blockedFrame > 0) std::filesystem::create_directory(folder + std::to_string(blockedFrame) + ".TMP");
    Note("tempdir");
    return noTempDir ? FilePath() : FilePath::FromUtf8(folder);
  }
  FilePath TempFolder() override { return root.Folder(); }
  bool SaveFrameToFolder(const std::string& bytes, const FilePath& folder, SaveFormat format) override {
    if (frameFolderFails) return false;
    saved.push_back(Name(bytes) + "@" + folder.Gbk() + "#" + SaveFormatExtension(format));
    return true;
  }

  void Note(const std::string& what) { calls.push_back(what); }
  // The name of the scripted frame whose whole picture `bmp` is; "" for no
  // bytes and "?" for a picture that is none of them.
  std::string Name(const std::string& bmp) const {
    if (bmp.empty()) return std::string();
    for (const std::string& name : names) {
      if (!name.empty() && Bmp(name) == bmp) return name;
    }
    return "?";
  }

  RecordingSettings settings;
  test::TempFolder root;
  std::deque<std::string> frames;  // the last one repeats
  std::set<std::string> names;     // of every frame composed
  std::string pixels;              // of the frame composed last
  std::vector<std::string> calls, saved;
  std::function<void()> duringCountdown, duringPump;
  bool trayHidden = false, frameFolderFails = false, tempDirMade = true, noTempDir = false;
  bool sceneChanged = true, watching = false;
  std::vector<int64_t> watchStartsMs;  // the recording clock at each start of the input watch
  int composed = 0, folders = 0, blockedFrame = 0;
  int64_t nowMs = 7000, tickMs = 200;
  int32_t timerMs = -1;
  PixelSize canvas;
  std::string caption, trayTip;
  RecorderTrayState tray = RecorderTrayState::kIdle;
};

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() : recorder(state, store, host) {}
  // n ticks of the recording timer.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) recorder.RecordTick();
  }
  bool HasFile(int n) { return FileExists(store.FramePath(n)); }

  ScriptedHost host;
  RecorderState state;
  FrameStore store;
  Recorder recorder;
};

TEST_F(RecorderTest, FreshStartRunsItsStepsInOrderAndTakesTheFirstFrameAtOnce) {
  host.settings.hideMainWindow = true;
  host.settings.saveFrames = true;
  host.settings.savePathText = "\\帧文件夹";
  host.settings.countdown = true;
  host.settings.countdownText = "0";
  host.frames = {"A"};
  recorder.ToggleRecording();
  std::vector<std::string> expected = {"暂停录制(F9)", "hide", "chain C:\\prog\\帧文件夹\\", "save off",
                                       "groups off", "countdown 3", "wait 500", "prepare", "tempdir"};
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(host.timerMs, 200);
  EXPECT_EQ(state.startIntervalMs, 200);
  EXPECT_EQ(host.composed, 1);
  ASSERT_EQ(store.Count(), 1);
  EXPECT_EQ(host.Name(store.ReadFrame(1)), "A");
  EXPECT_EQ(host.caption, "1.基本设置（帧数：1 时间：200 毫秒）");
  EXPECT_EQ(host.tray, RecorderTrayState::kRecording);
  EXPECT_EQ(host.canvas.width, 40);
  EXPECT_EQ(state.frameFolder.Gbk(), "C:\\prog\\帧文件夹\\");
}

TEST_F(RecorderTest, StillFramesAreEmptyEntriesThatStillCountTimeAndAFailedGrabStops) {
  host.frames = {"A", "A", "B", "B"};
  recorder.ToggleRecording();
  Ticks(1);
  EXPECT_EQ(store.Count(), 2);
  EXPECT_FALSE(HasFile(2));
  EXPECT_EQ(host.Name(store.ReadFrame(2)), "");
  EXPECT_EQ(host.caption, "1.基本设置（帧数：2 时间：400 毫秒）<静止画面>");
  EXPECT_EQ(host.tray, RecorderTrayState::kRecordingStill);
  EXPECT_EQ(host.trayTip, TrayTip(RecorderTrayState::kRecordingStill));
  Ticks(2);
  EXPECT_EQ(host.Name(store.ReadFrame(3)), "B");
  EXPECT_EQ(host.Name(store.ReadFrame(4)), "");
  EXPECT_EQ(state.totalTimeMs, 800);
  // What the composer said of the screen goes into the store; a still frame
  // changed nothing.
  EXPECT_TRUE(store.SceneChanged(3));
  EXPECT_FALSE(store.SceneChanged(4));
  host.sceneChanged = false;  // the pointer alone moved
  host.frames = {"C"};
  Ticks(1);
  EXPECT_EQ(host.Name(store.ReadFrame(5)), "C");
  EXPECT_FALSE(store.SceneChanged(5));
  // A grab that failed (a locked screen) is no picture of the screen: the
  // recording stops there, with what it has, and says why.
  host.frames = {""};
  Ticks(1);
  EXPECT_EQ(state.phase, RecorderPhase::kIdle);
  EXPECT_EQ(store.Count(), 5);
  EXPECT_EQ(host.calls.back(), std::string("warn ") + kCaptureFailureMessage);
  EXPECT_EQ(state.animationSize.width, 40);
  EXPECT_EQ(state.animationSize.height, 30);
}

// Each kept frame after the first is stored as the block around its changed
// pixels, at its place: what the changed-region pass would make of it, so
// the pass has nothing left to do.
TEST_F(RecorderTest, KeptFramesAfterTheFirstAreStoredAsTheirChangedBlock) {
  host.frames = {"A", "A+5,7", "A+5,7", "A+30,2", "A+39,29", "B"};
  recorder.ToggleRecording();
  Ticks(5);
  recorder.StopRecording();
  EXPECT_TRUE(state.framesOptimized);
  struct Want {
    int n;
    const char* frame;
    ChangedRect block;
  };
  const Want wants[] = {
      {1, "A", {0, 0, 39, 29}},
      {2, "A+5,7", {5, 7, 5, 7}},     // one pixel
      {4, "A+30,2", {5, 2, 30, 7}},   // the pixel put back and a new one
      {5, "A+39,29", {30, 2, 39, 29}},  // to the bottom right corner
      {6, "B", {0, 0, 39, 29}},
  };
  for (const Want& w : wants) {
    const std::string pixels = PixelsNamed(w.frame);
    EXPECT_EQ(store.ReadFrame(w.n), BmpOfBlock(RowsOf(pixels), w.block)) << w.n;
    EXPECT_EQ(store.Offset(w.n), (FrameOffset{w.block.left, w.block.top})) << w.n;
  }
  EXPECT_FALSE(HasFile(3));
}

TEST_F(RecorderTest, PauseAndResumeKeepTheStoreAndCompareAcrossThePause) {
  host.frames = {"A", "A", "C"};
  recorder.ToggleRecording();
  recorder.ToggleRecording();  // pause
  EXPECT_EQ(host.calls.back(), "继续录制(F9)");
  EXPECT_EQ(host.timerMs, 0);
  EXPECT_EQ(host.tray, RecorderTrayState::kPaused);
  Ticks(3);  // late ticks after the pause do nothing
  EXPECT_EQ(host.composed, 1);
  host.calls.clear();
  recorder.ToggleRecording();  // resume: no fresh-start steps, a frame at once
  EXPECT_EQ(host.calls, std::vector<std::string>{"暂停录制(F9)"});
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(host.Name(store.ReadFrame(2)), "");  // equal to the frame before the pause
  EXPECT_EQ(state.totalTimeMs, 400);
  EXPECT_EQ(host.tray, RecorderTrayState::kRecording);
}

TEST_F(RecorderTest, CaptureTimesRunOnARecordingClockThatStandsStillWhilePaused) {
  host.frames = {"A", "B", "C", "D"};
  recorder.ToggleRecording();  // at 0
  host.nowMs += 60;            // the next tick comes late
  Ticks(1);                    // at 260
  host.nowMs += 40;
  recorder.ToggleRecording();  // paused at 500
  EXPECT_FALSE(host.watching);  // clicks and keys made while paused are not drawn
  host.nowMs += 5000;
  recorder.ToggleRecording();  // resumed: a frame at once, at 500
  Ticks(1);
  // The input watch runs on the frames' clock.
  EXPECT_EQ(host.watchStartsMs, (std::vector<int64_t>{0, 500}));
  EXPECT_TRUE(host.watching);
  recorder.StopRecording();
  EXPECT_FALSE(host.watching);
  const int64_t expected[] = {0, 260, 500, 700};
  ASSERT_EQ(store.Count(), 4);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(store.CaptureMs(n), expected[n - 1]) << "frame " << n;
  EXPECT_EQ(state.totalTimeMs, 900);  // the latest frame lasts one interval
  EXPECT_EQ(host.caption, "1.基本设置（帧数：4 时间：900 毫秒）");
}

TEST_F(RecorderTest, StopsByFrameCountAndByTime) {
  struct Case {
    bool byCount;
    const char* count;
    const char* time;
    int unit;
    int64_t tickMs;
    int frames;
  } cases[] = {
      {true, "10", "", 0, 200, 10},
      {true, "0", "", 0, 200, 1},     // a limit of 0 stops at the first tick
      {false, "", "1.5", 1, 200, 8},  // 1600 ms reaches 1.5 s
      {false, "", "1.5", 1, 300, 6},  // late ticks: 1700 ms at the sixth frame
      {false, "", "0.1", 2, 200, 30},
  };
  for (const Case& c : cases) {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.settings.stopAtCount = c.byCount;
    h.settings.countText = c.count;
    h.settings.stopAtTime = !c.byCount;
    h.settings.timeText = c.time;
    h.settings.timeUnit = TimeUnitAt(c.unit);
    h.tickMs = c.tickMs;
    r.ToggleRecording();
    for (int i = 0; i < 100 && s.phase != RecorderPhase::kIdle; ++i) r.RecordTick();
    EXPECT_EQ(fs.Count(), c.frames) << c.count << c.time;
    EXPECT_EQ(s.phase, RecorderPhase::kIdle);
    EXPECT_EQ(h.tray, RecorderTrayState::kIdle);
    EXPECT_EQ(h.timerMs, 0);
    EXPECT_TRUE(s.hasRecording);
  }
}

TEST_F(RecorderTest, StopShowsTheIdleLookAndEnablesSavingUnlessFramesWereDropped) {
  for (bool autoClear : {false, true}) {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.settings.saveFrames = true;
    h.settings.autoClear = autoClear;
    h.settings.saveFormat = kSavePng;
    h.settings.savePathText = "\\f";
    h.frames = {"A", "A", "B"};
    r.ToggleRecording();
    // Changed mid-recording: the recording goes on with what it started with.
    h.settings.autoClear = !autoClear;
    h.settings.savePathText = "\\g";
    h.settings.saveFormat = kSaveBmp;
    r.RecordTick();
    r.RecordTick();
    h.calls.clear();
    r.StopRecording();
    std::vector<std::string> expected = {"开始录制(F9)", "groups on", "release", "show"};
    if (!autoClear) expected.insert(expected.begin() + 1, "save on");
    EXPECT_EQ(h.calls, expected) << autoClear;
    // Only frames with a picture go to the folder, and dropped ones leave no file.
    EXPECT_EQ(h.saved, (std::vector<std::string>{"A@C:\\prog\\f\\#PNG", "B@C:\\prog\\f\\#PNG"}));
    EXPECT_EQ(fs.ReadFrame(1).empty(), autoClear);
    EXPECT_EQ(fs.ReadFrame(3).empty(), autoClear);
    EXPECT_EQ(s.animationSize.width, 40);
    EXPECT_EQ(s.animationSize.height, 30);
  }
  // Ticked only mid-recording: no folder was made for it, so no frame goes
  // there and none is cleared.
  host.frames = {"A", "B"};
  recorder.ToggleRecording();
  host.settings.saveFrames = true;
  host.settings.autoClear = true;
  Ticks(1);
  recorder.StopRecording();
  EXPECT_TRUE(host.saved.empty());
  EXPECT_EQ(host.Name(store.ReadFrame(2)), "B");
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "save on"), host.calls.end());
}

TEST_F(RecorderTest, SecondFreshStartDiscardsThePreviousRecording) {
  host.frames = {"A", "B"};
  recorder.ToggleRecording();
  recorder.RecordTick();
  recorder.StopRecording();
  const FilePath first = store.Folder();
  state.framesOptimized = false;  // as if a pass had to run over it
  host.calls.clear();
  host.frames = {"B", "C"};
  recorder.ToggleRecording();
  recorder.RecordTick();
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "delete " + first.Utf8()), host.calls.end());
  EXPECT_NE(store.Folder(), first);
  EXPECT_EQ(state.previousTempDir, first);
  EXPECT_FALSE(state.hasRecording);
  EXPECT_TRUE(state.framesOptimized);  // cropped as it is recorded
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(host.Name(store.ReadFrame(1)), "B");  // previousFrame was emptied: not a still frame
  EXPECT_EQ(store.CaptureMs(1), 0);    // and the clock starts again
  recorder.StopRecording();
  // A recording whose first grab fails has no size, not the one before.
  host.frames = {""};
  recorder.ToggleRecording();
  EXPECT_EQ(state.phase, RecorderPhase::kIdle);
  EXPECT_EQ(state.animationSize.width, 0);
}

TEST_F(RecorderTest, AnIntervalARectangleOrACountdownThatCannotRecordIsRefusedBeforeTheStart) {
  struct Case {
    const char* interval;
    RecordRect rect;
    std::string warning;
    const char* countdown = nullptr;
  } cases[] = {
      {"0", {0, 0, 500, 500}, kIntervalRefusal},
      {"-200", {0, 0, 500, 500}, kIntervalRefusal},
      {"abc", {0, 0, 500, 500}, kIntervalRefusal},
      {"200", {0, 0, 0, 500}, CaptureRectRefusal({0, 0, 0, 500}, {-1280, 0, 1920, 1080})},
      {"200", {-9000, 0, 500, 500}, CaptureRectRefusal({-9000, 0, 500, 500}, {-1280, 0, 1920, 1080})},
      // A countdown that would hold the start for days.
      {"200", {0, 0, 500, 500}, kCountdownRefusal, "99999999"},
      {"200", {0, 0, 500, 500}, kCountdownRefusal, "3601"},
  };
  for (const Case& c : cases) {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.settings.countdown = c.countdown != nullptr;
    if (c.countdown) h.settings.countdownText = c.countdown;
    h.settings.intervalText = c.interval;
    h.settings.recordArea = true;
    h.settings.rect = c.rect;
    h.settings.desktop = {-1280, 0, 1920, 1080};
    r.ToggleRecording();
    r.RecordTick();
    EXPECT_EQ(h.calls, std::vector<std::string>{"warn " + c.warning}) << c.interval;
    EXPECT_EQ(h.composed, 0) << c.interval;
    EXPECT_EQ(s.phase, RecorderPhase::kIdle);
    EXPECT_TRUE(fs.Folder().empty());
  }
}

TEST_F(RecorderTest, AFrameThatCannotBeWrittenStopsTheRecordingWithOneMessage) {
  host.frames = {"A", "B", "C"};
  recorder.ToggleRecording();
  const FilePath folder = store.Folder();
  std::filesystem::remove_all(folder.Utf8());  // the folder vanishes mid-recording
  host.calls.clear();
  Ticks(3);
  EXPECT_EQ(state.phase, RecorderPhase::kIdle);
  EXPECT_EQ(host.composed, 2);  // no tick after the stop
  EXPECT_EQ(store.Count(), 1);  // the recording ends with the frame written before
  EXPECT_EQ(host.caption, "1.基本设置（帧数：1 时间：200 毫秒）");
  std::vector<std::string> expected = {"开始录制(F9)", "save on", "groups on", "release", "show",
                                       "warn 无法写入录制的帧，录制已停止。\r\n文件夹：" + folder.Gbk() + "\r\n原因：磁盘已满。"};
  EXPECT_EQ(host.calls, expected);

  // A folder that was never made: not even the first frame, so nothing to
  // save. No folder given at all: not even a frame is taken (none goes
  // beside the program), and the message names the temporary folder.
  for (const bool folderGiven : {true, false}) {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.tempDirMade = false;
    h.noTempDir = !folderGiven;
    r.ToggleRecording();
    EXPECT_EQ(s.phase, RecorderPhase::kIdle);
    EXPECT_EQ(fs.Count(), 0);
    EXPECT_EQ(std::count(h.calls.begin(), h.calls.end(), "save on"), 0);
    EXPECT_EQ(std::count_if(h.calls.begin(), h.calls.end(), [](const std::string& c) { return c.rfind("warn ", 0) == 0; }), 1);
    if (folderGiven) continue;
    EXPECT_EQ(h.composed, 0);
    EXPECT_EQ(h.timerMs, 0);
    EXPECT_EQ(h.calls.back(), "warn 无法写入录制的帧，录制已停止。\r\n文件夹：" + h.TempFolder().Gbk() + "\r\n原因：磁盘已满。");
  }
  // Written on the store's thread, frame 2 fails while later ones are taken:
  // the recording stops with frame 1 all the same, and says so once.
  {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    fs.SetWriteQueueBytes(1 << 20);
    Recorder r(s, fs, h);
    h.blockedFrame = 2;
    h.frames = {"A", "B", "C", "D"};
    r.ToggleRecording();
    for (int i = 0; i < 3; ++i) r.RecordTick();
    r.StopRecording();
    EXPECT_EQ(fs.Count(), 1);
    EXPECT_EQ(h.Name(fs.ReadFrame(1)), "A");
    EXPECT_EQ(s.totalTimeMs, 200);
    EXPECT_EQ(h.caption, "1.基本设置（帧数：1 时间：200 毫秒）");
    EXPECT_EQ(std::count_if(h.calls.begin(), h.calls.end(), [](const std::string& c) { return c.rfind("warn ", 0) == 0; }), 1);
    EXPECT_EQ(h.calls.back(), "warn 无法写入录制的帧，录制已停止。\r\n文件夹：" + fs.Folder().Gbk() + "\r\n原因：磁盘已满。");
  }
  // The frame folder refuses a frame: it stays in the store, not cleared.
  {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.settings.saveFrames = true;
    h.settings.autoClear = true;
    h.settings.savePathText = "\\f";
    h.frameFolderFails = true;
    h.frames = {"A", "B"};
    r.ToggleRecording();
    r.RecordTick();
    EXPECT_EQ(s.phase, RecorderPhase::kIdle);
    EXPECT_EQ(h.Name(fs.ReadFrame(1)), "A");
    EXPECT_EQ(h.composed, 1);
    EXPECT_NE(std::find(h.calls.begin(), h.calls.end(), "save on"), h.calls.end());
    EXPECT_EQ(h.calls.back(), "warn 无法写入录制的帧，录制已停止。\r\n文件夹：C:\\prog\\f\\\r\n原因：磁盘已满。");
  }
}

TEST_F(RecorderTest, EventsDuringAStartOrATickDoNotReenter) {
  host.settings.countdown = true;
  host.settings.countdownText = "2";
  host.duringCountdown = [&] {
    recorder.ToggleRecording();
    recorder.RecordTick();
  };
  host.duringPump = [&] { recorder.RecordTick(); };
  recorder.ToggleRecording();
  EXPECT_EQ(state.phase, RecorderPhase::kRecording);
  EXPECT_EQ(host.composed, 1);
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(state.countdownSeconds, 2);
}

// F10 or 停止 during the countdown: no recording starts, the last one is
// still there to save, and the window is as it was.
TEST_F(RecorderTest, AStopDuringTheCountdownCancelsTheStartAndKeepsTheLastRecording) {
  host.frames = {"A", "B"};
  recorder.ToggleRecording();
  recorder.RecordTick();
  recorder.StopRecording();
  const FilePath folder = store.Folder();
  host.settings.countdown = true;
  host.settings.countdownText = "3600";
  host.duringCountdown = [&] { recorder.StopRecording(); };
  host.calls.clear();
  recorder.ToggleRecording();
  const std::vector<std::string> expected = {"暂停录制(F9)", "save off", "groups off", "countdown 3600",
                                             "cancel countdown", "开始录制(F9)", "save on", "groups on", "show"};
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(state.phase, RecorderPhase::kIdle);
  EXPECT_TRUE(state.hasRecording);
  EXPECT_EQ(store.Folder(), folder);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(host.Name(store.ReadFrame(2)), "B");
  EXPECT_EQ(host.composed, 2);
  // The next start is an ordinary one.
  host.duringCountdown = nullptr;
  recorder.ToggleRecording();
  EXPECT_EQ(state.phase, RecorderPhase::kRecording);
  EXPECT_EQ(store.Count(), 1);
}

// 停止 and 开始录制 queued behind a slow compose run inside the tick: its
// frame belongs to the recording that stopped, not to the one after it.
TEST_F(RecorderTest, AStopOrARestartDuringATickDropsItsFrame) {
  struct Case {
    const char* name;
    bool restart;
    std::vector<std::string> frames;  // the store's frames after the tick
  };
  const Case cases[] = {
      {"stop", false, {"A"}},
      {"stop and start", true, {"new"}},  // taken at once, as every start does
  };
  for (const Case& c : cases) {
    ScriptedHost h;
    RecorderState s;
    FrameStore fs;
    Recorder r(s, fs, h);
    h.frames = {"A", "old", "new"};
    r.ToggleRecording();
    bool clicked = false;
    h.duringPump = [&] {
      if (clicked) return;
      clicked = true;
      r.StopRecording();
      if (c.restart) r.ToggleRecording();
    };
    r.RecordTick();
    std::vector<std::string> frames;
    for (int n = 1; n <= fs.Count(); ++n) frames.push_back(h.Name(fs.ReadFrame(n)));
    EXPECT_EQ(frames, c.frames) << c.name;
    EXPECT_EQ(fs.CaptureMs(1), 0) << c.name;
  }
}

TEST_F(RecorderTest, StopWhileIdleChangesNothingAndAHiddenTrayKeepsTheWindowHidden) {
  recorder.StopRecording();
  EXPECT_TRUE(host.calls.empty());
  EXPECT_FALSE(state.hasRecording);
  host.trayHidden = true;
  recorder.ToggleRecording();
  recorder.StopRecording();
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "show"), 0);
}

}  // namespace
}  // namespace movrel
