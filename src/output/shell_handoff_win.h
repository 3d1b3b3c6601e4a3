// Handing the recorder's files to other programs: an HTML fragment naming a
// GIF on the clipboard, a file or address opened with its associated
// program, and a folder shown in the file manager.
#pragma once

#include <windows.h>

#include <string>

#include "output/explorer_command.h"

namespace movrel {

// Puts the "HTML Format" data for an image element that shows the file at
// `path`, followed by `extraHtml` (GBK), on the clipboard, owned by
// `owner`. False when the clipboard could not be opened or would not take
// the data.
bool PutImageOnClipboardAsHtml(HWND owner, const FilePath& path, const std::string& extraHtml = std::string());

// The temporary GIFs written for copies. Only the newest is kept: each copy
// removes the one before it, and at exit the last one goes too unless the
// clipboard still offers it (a paste after the program has ended still
// finds the picture).
class CopiedAnimations {
 public:
  // `path` is the newest copy; `onClipboard`: the clipboard offers it now.
  // The copy before it is removed.
  void Kept(const FilePath& path, bool onClipboard);
  // A copy that failed: its file, empty or half written, is removed.
  static void Failed(const FilePath& path);
  // At exit: removes the last copy unless the clipboard has not changed
  // since it was offered.
  void Release();
  const FilePath& Last() const { return last_; }

 private:
  FilePath last_;
  bool onClipboard_ = false;
  DWORD clipboardSequence_ = 0;
};

// The copies' temporary GIFs are named "mvg" + a hexadecimal number +
// ".tmp" in the system temporary folder (GetTempFileNameW).
constexpr const wchar_t kCopyFilePrefix[] = L"mvg";

// At start-up: removes the copies' temporary GIFs that an earlier run left in
// `folder` (it ended before it could remove them, or kept the last one for
// a paste), except the one the clipboard still offers. Only files of the
// copies' name that hold a GIF are touched.
void RemoveLeftoverCopies(const FilePath& folder);

// Opens the file at `path` with its associated program, as a double click
// would. Failures are not reported.
void OpenWithShell(const FilePath& path);

// Starts the file manager (from the Windows folder, never by a bare name)
// on `path` as PlanExplorerLaunch describes. Nothing starts unless
// ExplorerFolder(path, options) is an existing folder, so a path naming a
// program or a document never runs it. With `wait` it returns once the
// started process has ended. The started process's ID, or 0 when the folder
// is none or the file manager could not start.
DWORD ShowInExplorer(const FilePath& path, const ExplorerOptions& options, bool wait = false,
                     int showMode = SW_SHOWNORMAL);

}  // namespace movrel
