#include <windows.h>

#include "common/file_path_win.h"
#include "common/gbk_win.h"

namespace movrel {

FilePath FilePath::FromGbk(const std::string& gbk) { return FilePathFromWide(ToWide(gbk)); }

std::string FilePath::Gbk() const { return ToGbk(ToWide(*this)); }

FilePath SystemTempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
  if (length > folder.size()) {
    // Longer than MAX_PATH: the answer was the size it needs.
    folder.assign(length, L'\0');
    length = GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
  }
  if (length == 0 || length >= folder.size()) return FilePath();
  folder.resize(length);
  if (folder.back() != L'\\') folder += L'\\';
  return FilePathFromWide(folder);
}

}  // namespace movrel
