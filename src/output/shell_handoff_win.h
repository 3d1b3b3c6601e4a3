// Handing the recorder's files to other programs: an HTML fragment naming a
// GIF on the clipboard, a file or address opened with its associated
// program, and a folder (or file) shown in the file manager.
#pragma once

#include <windows.h>

#include <string>

namespace movrel {

// Puts the "HTML Format" data for an image element that shows the file at
// `path` (GBK), followed by `extraHtml` (GBK), on the clipboard. False when
// the clipboard could not be opened or would not take the data.
bool PutImageOnClipboardAsHtml(const std::string& path, const std::string& extraHtml = std::string());

// Opens `pathOrAddress` (GBK) with its associated program, as a double
// click would. Failures are not reported.
void OpenWithShell(const std::string& pathOrAddress);

// Starts the file manager on `path` (GBK): "/n" opens a new window (else
// "/e"); with `runExecutables` a path ending in ".exe" is started itself;
// with `rootAtFolder` the view is rooted at the folder holding `path`;
// otherwise the item is selected. With `wait` it returns once the started
// process has ended. The started process's ID, or 0 when it could not start.
DWORD ShowInExplorer(const std::string& path, bool newWindow, bool runExecutables, bool rootAtFolder, bool wait,
                     int showMode = SW_SHOWNORMAL);

}  // namespace movrel
