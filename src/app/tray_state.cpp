#include "app/tray_state.h"

#include "app/tray_icon_data.h"
#include "common/byte_order.h"
#include "common/gbk.h"

namespace movrel {
namespace {

std::string Bytes(const unsigned char* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

}  // namespace

std::string TrayStateIcon(TrayState state) {
  switch (state) {
    case TrayState::kRecording: return Bytes(kTrayIconRecording, kTrayIconRecordingSize);
    case TrayState::kRecordingStill: return Bytes(kTrayIconRecordingStill, kTrayIconRecordingStillSize);
    case TrayState::kPaused: return Bytes(kTrayIconPaused, kTrayIconPausedSize);
    case TrayState::kIdle: break;
  }
  return Bytes(kTrayIconIdle, kTrayIconIdleSize);
}

std::string TrayStateTip(TrayState state) {
  switch (state) {
    case TrayState::kRecording: return "Movrel\r\n(正在录制中..按F9键暂停或F10键停止)";
    case TrayState::kRecordingStill: return "Movrel\r\n(正在录制中但出现静止画面..按F9键暂停或F10键停止)";
    case TrayState::kPaused: return "Movrel\r\n(录制暂停中，按F9键继续录制)";
    case TrayState::kIdle: break;
  }
  return "Movrel";
}

std::string TrayTipText(const std::string& tip) { return GbkTruncate(tip, kTrayTipMaxBytes); }

bool FindIcoImage(const std::string& ico, int index, IcoImage* image) {
  constexpr size_t kHeaderBytes = 6, kEntryBytes = 16;
  if (index < 0 || ico.size() < kHeaderBytes) return false;
  // Reserved 0, then type 1 (an icon; 2 would be a cursor), then the count.
  if (ReadLe16(ico, 0) != 0 || ReadLe16(ico, 2) != 1) return false;
  if (static_cast<uint32_t>(index) >= ReadLe16(ico, 4)) return false;
  size_t entry = kHeaderBytes + kEntryBytes * static_cast<size_t>(index);
  if (ico.size() < entry + kEntryBytes) return false;
  uint32_t size = ReadLe32(ico, entry + 8), offset = ReadLe32(ico, entry + 12);
  // Compared without adding, so huge values cannot wrap around.
  if (size == 0 || offset > ico.size() || size > ico.size() - offset) return false;
  IcoImage found;
  found.width = static_cast<unsigned char>(ico[entry]) ? static_cast<unsigned char>(ico[entry]) : 256;
  found.height = static_cast<unsigned char>(ico[entry + 1]) ? static_cast<unsigned char>(ico[entry + 1]) : 256;
  found.bitCount = static_cast<int>(ReadLe16(ico, entry + 6));
  found.offset = offset;
  found.size = size;
  *image = found;
  return true;
}

}  // namespace movrel
