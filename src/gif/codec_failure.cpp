#include "gif/codec_failure.h"

#include "common/gbk.h"

namespace movrel {

const char kNoMemoryForFile[] = "为读取文件分配内存失败";
const char kNoMemoryForBitmap[] = "为位图分配内存失败";
const char kNoMemoryForRecords[] = "为帧图片信息分配内存时出错";

std::string FileFailureText(FileFailureKind kind, const std::string& path) {
  const char* what = "";
  switch (kind) {
    case FileFailureKind::kOpen: what = "无法打开文件："; break;
    case FileFailureKind::kRead: what = "无法读取文件："; break;
    case FileFailureKind::kCreate: what = "无法创建文件："; break;
    case FileFailureKind::kWrite: what = "无法写入文件："; break;
  }
  return GbkTruncate(what + path, 255);
}

}  // namespace movrel
