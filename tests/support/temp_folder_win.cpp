#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "common/gbk_win.h"
#include "support/temp_folder.h"

namespace movrel {
namespace test {
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

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no temporary folder");
  // Numbered, so that the folders of several tests alive at once differ.
  std::string base = ToGbk(temp) + "movrel_test_運閉_" + std::to_string(GetCurrentProcessId()) + "_";
  for (int n = 0; n < 1000; ++n) {
    std::string candidate = base + std::to_string(n);
    if (CreateDirectoryW(ToWide(candidate).c_str(), nullptr)) {
      path_ = candidate + "\\";
      folder_ = FilePath::FromGbk(path_);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder: " + base);
}

TempFolder::~TempFolder() { RemoveTree(ToWide(path_.substr(0, path_.size() - 1))); }

std::vector<std::string> TempFolder::FileNames() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(ToWide(path_ + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = ToGbk(found.cFileName);
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  return names;
}

const char* TempFolder::Separator() { return "\\"; }

}  // namespace test
}  // namespace movrel
