// The folders around a recording: the per-recording temporary folder, the
// leftovers of earlier runs, folder chains, tree deletion (in the background
// for the previous recording's folder), single frames saved into the frame
// folder, and the folder browser of 按钮选择帧路径. Paths the system gives
// stay UTF-16 (FilePath); the frame folder is GBK text from the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "bitmap/image_format.h"
#include "common/file_path_win.h"
#include "common/handle_win.h"

namespace movrel {

// Creates this recording's folder "KVGifRecord_" + seconds in `tempFolder`
// (ending in "\") and returns it, ending in "\". A name still held by an
// earlier folder (a second start within the same second, another copy) gets
// "_1", "_2" ... appended, so a new recording never shares a folder. The
// folder holds the lock file "KVGifRecord.lock", open in this process until
// DeleteDirectoryTree removes the folder, which tells other copies the
// folder is in use; a folder whose lock could not be made is removed again
// and the next name tried. Empty when no folder could be made and locked
// (GetLastError says why). The seconds are the local clock's now unless a
// caller (a test) names them.
FilePath MakeRecordingTempDir(const FilePath& tempFolder = SystemTempFolder(), int64_t seconds = -1);

// Removes the "KVGifRecord_*" folders in `tempFolder` that no running copy
// holds: their lock file can be deleted, or they have none and are older
// than a minute. Links are never followed. The number of folders removed.
int RemoveStaleRecordingFolders(const FilePath& tempFolder);
// The same on a thread of its own, as at start-up; null when it could not start.
UniqueKernelHandle RemoveStaleRecordingFoldersInBackground(const FilePath& tempFolder);

// Whether a directory entry with these attributes is a link (a junction, a
// symbolic link or any other reparse point), which a deletion removes as
// the entry itself and never enters.
bool IsLinkEntry(unsigned long attributes);

// Creates every missing folder along `path` (a last component without a
// trailing "\" is not created). False when one could not be created.
bool MakeDirectoryChain(const FilePath& path);

// Deletes the folder with everything in it; whether the folder is gone.
// Refuses blanks, drives, drive roots and UNC share roots. Every entry is
// opened as itself and judged on the open handle, so a junction or symbolic
// link inside the tree, even one put in place of a folder while the
// deletion runs, is removed as a link and never walked into; where the
// system cannot open a link as itself (Wine) the link stays. Closes this
// process's lock on a recording folder first.
bool DeleteDirectoryTree(const FilePath& path);

// The same on a thread of its own; the handle is only for waiting (it may be
// dropped at once). Null when the thread could not start.
UniqueKernelHandle DeleteDirectoryTreeInBackground(const FilePath& path);

// Writes a frame into `folder` (ending in "\") under the current
// date and time, "(1)", "(2)" ... added while the name is taken; the file is
// created only where no file is, so none is ever overwritten. BMP bytes as
// they are, otherwise re-encoded in `format`, under the format's extension.
// The written path, or empty when nothing could be written.
FilePath SaveFrameToFolder(const std::string& bmpBytes, const FilePath& folder, SaveFormat format);

// The folder browser: opens at `startFolder`; the chosen folder as the
// system names it, trimmed of blanks, or empty on cancel.
FilePath BrowseForFolder(HWND owner, const std::string& title, const FilePath& startFolder);

// The title of the frame folder's browser: every "''" shows as one '"'.
std::string FrameFolderBrowserTitle();

}  // namespace movrel
