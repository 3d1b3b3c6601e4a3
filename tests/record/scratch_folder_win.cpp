#include <windows.h>

#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "scratch_folder.h"

namespace movrel {
namespace {

// The test's own removal, independent of the code under test.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path);
      } else if (!DeleteFileW(path.c_str())) {
        RemoveDirectoryW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return;
  std::string base = ToGbk(temp) + "movrel_store_運_" + std::to_string(GetCurrentProcessId()) + "_";
  for (int n = 0; n < 1000; ++n) {
    std::string candidate = base + std::to_string(n);
    if (CreateDirectoryW(ToWide(candidate).c_str(), nullptr)) {
      path_ = candidate + "\\";
      folder_ = FilePath::FromGbk(path_);
      return;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) RemoveTree(ToWide(path_.substr(0, path_.size() - 1)));
}

const char* ScratchFolder::Separator() { return "\\"; }

}  // namespace movrel
