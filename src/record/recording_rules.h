// The recorder's portable rules: the start link's three captions, the tray
// states and tips, the time settings and the duration text, the running
// caption, and the path arithmetic around the recording's folders (the
// per-recording temporary folder, folder chains, the deletion refusals and
// the single-frame file names). No platform code, so all of it is tested
// natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_path.h"

namespace movrel {

// The recorder's state is what the start link `链接开始录制` reads.
enum class RecorderPhase { kIdle, kRecording, kPaused };

constexpr const char* kStartCaptionIdle = "开始录制(F9)";
constexpr const char* kStartCaptionRecording = "暂停录制(F9)";
constexpr const char* kStartCaptionPaused = "继续录制(F9)";

const char* StartCaption(RecorderPhase phase);

// What the notification-area icon shows.
enum class RecorderTrayState { kIdle, kRecording, kRecordingStill, kPaused };
const char* TrayTip(RecorderTrayState state);


// "200 毫秒", "1.5 秒", "1.5 分" ... up to years; the value rounded to two
// decimals without trailing zeros.
std::string FormatDuration(int64_t ms);

// "1.基本设置（帧数：n 时间：…）", with "<静止画面>" after a still frame.
std::string RunningCaption(int frameCount, int32_t totalTimeMs, bool stillFrame);

// The refusal of a start whose frame interval is no positive time: such a
// recording would never take a frame.
constexpr const char* kIntervalRefusal = "“帧间隔”必须是大于0的时间，请修改后再开始录制。";

// The one message of a recording stopped because a frame could not be
// written to `folder`; `reason` is the system's text for the failure.
std::string FrameWriteFailureMessage(const std::string& folder, const std::string& reason);

// The one message of a recording stopped because the screen could not be
// read (a locked screen, a frame too large to make): going on would store
// still or stale frames as if the screen had not changed.
constexpr const char* kCaptureFailureMessage = "无法截取屏幕画面，录制已停止。\r\n已录制的帧都保留着。";

// A countdown below one second counts down from 3.
int CountdownStartSeconds(int seconds);

// The longest countdown: an hour. A longer one is refused at the start,
// naming the edit.
constexpr int kMaxCountdownSeconds = 3600;
constexpr const char* kCountdownRefusal = "“倒计时”不能超过3600秒，请修改后再开始录制。";

// ---- folders and file names (paths use "\", searched DBCS-aware) --------

// The folder that receives single frames, from the GBK setting: a leading
// "\" (but not a UNC "\\") is relative to the program folder, and the
// result ends in "\". `programFolder` may or may not end in "\"; it stays
// as the system spells it, so a program folder named in letters GBK lacks
// still holds the frames.
FilePath ResolveFrameFolder(const std::string& pathText, const FilePath& programFolder);

// The folder browser's answer in the form 编辑框保存路径 keeps: a folder at
// or below the program folder becomes "\"-relative ("\" for the program
// folder itself); any other folder stays as chosen. Compared as the system
// names both, so a program folder with letters GBK lacks still holds the
// frame folder. False when the GBK text would name another folder.
bool FrameFolderSetting(const FilePath& chosen, const FilePath& programFolder, std::string* setting);

// A recording's own folder in the temporary folder is this prefix + the
// seconds of its start.
constexpr const char kRecordingFolderPrefix[] = "KVGifRecord_";

// Whole seconds from 1970-01-01 08:00:00 to the given local date and time,
// both read as local time.
int64_t SecondsSince19700101At8(int year, int month, int day, int hour, int minute, int second);

// The prefixes of `path` left of each "\" that a folder chain has to make
// sure of, in order. Drives ("C:"), the empty prefix of a rooted path and
// the server and share of a UNC path are not folders one can create, so they
// are left out; a last component without a trailing "\" is not included.
std::vector<FilePath> DirectoryChainPrefixes(const FilePath& path);

// True for the paths a tree deletion refuses: empty or blank, a bare drive
// ("C:"), a drive root ("C:\"), the root of the current drive ("\"), and a
// UNC server or share root ("\\server", "\\server\share\"). Leading blanks
// are skipped first.
bool IsProtectedDeletePath(const std::string& path);
// The path with its leading blanks skipped, as a deletion uses it.
std::string SkipLeadingBlanks(const std::string& path);

// "2026-12-06 17-46-14": the date-time template "#1-#2-#3 #4:#5:#6" with
// every ":" replaced by "-".
std::string FrameFileStem(int year, int month, int day, int hour, int minute, int second);
// folder + stem + "(i)" for i > 0 + "." + extension.
std::string FrameFileName(const std::string& folder, const std::string& stem, int counter,
                          const std::string& extension);

}  // namespace movrel
