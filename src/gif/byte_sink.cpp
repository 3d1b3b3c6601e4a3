#include "gif/byte_sink.h"

#include <new>
#include <stdexcept>

#include "gif/codec_failure.h"

namespace movrel {

bool MemorySink::Write(const void* data, size_t size) {
  try {
    bytes_.append(static_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

void WriteOrFail(ByteSink& sink, const void* data, size_t size) {
  if (size && !sink.Write(data, size)) throw FileFailure(FileFailureKind::kWrite, sink.TargetName());
}

}  // namespace movrel
