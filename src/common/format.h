// Number and size formatting for captions and messages.
#pragma once

#include <cstdint>
#include <string>

#include "common/file_io.h"

namespace movrel {

// `value` rounded to at most `decimals` places, written without trailing
// zeros or a trailing point ("1.5", "2", "-0.25").
std::string FormatNumber(double value, int decimals);

// A byte count as "n B", or in KB, MB, GB, TB or PB with two decimals at
// most ("1.5 KB", "1 MB").
std::string FormatByteSize(uint64_t bytes);

// Why a file was not taken: "文件太大（最多4 MiB）" or "无法读取该文件".
std::string FileRefusalReason(FileRead read, uint64_t limitBytes);

}  // namespace movrel
