// The folders around a recording: the per-recording temporary folder, folder
// chains, tree deletion (in the background for the previous recording's
// folder), single frames saved into the frame folder, and the folder browser
// of 按钮选择帧路径. Paths are GBK; the W functions do the work.
#pragma once

#include <windows.h>

#include <string>

#include "common/handle_win.h"

namespace movrel {

// Creates this recording's folder "KVGifRecord_" + seconds in the system
// temporary folder and returns it, ending in "\". A name still held by an
// earlier folder (a second start within the same second) gets "_1", "_2" ...
// appended, so a new recording never shares the folder being deleted.
std::string MakeRecordingTempDir();

// Creates every missing folder along `path` (a last component without a
// trailing "\" is not created). False when one could not be created.
bool MakeDirectoryChain(const std::string& path);

// Deletes the folder with everything in it; whether the folder is gone.
// Refuses blanks, drives, drive roots and UNC share roots, and removes a
// junction or symbolic link inside the tree as a link, never what it points
// to.
bool DeleteDirectoryTree(const std::string& path);

// The same on a thread of its own; the handle is only for waiting (it may be
// dropped at once). Null when the thread could not start.
UniqueKernelHandle DeleteDirectoryTreeInBackground(const std::string& path);

// Writes a frame into `folder` (ending in "\") under the current date and
// time, "(1)", "(2)" ... added while the name is taken; BMP bytes as they
// are for format index 0, otherwise re-encoded (1 JPG, 2 GIF, 3 TIFF,
// 4 PNG). The written path, or empty when nothing could be written.
std::string SaveFrameToFolder(const std::string& bmpBytes, const std::string& folder, int formatIndex,
                              const std::string& extension);

// The folder browser: opens at `startFolder`; the chosen folder trimmed of
// blanks, or empty on cancel.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startFolder);

// The title of the frame folder's browser: every "''" shows as one '"'.
std::string FrameFolderBrowserTitle();

}  // namespace movrel
