#include "gif/bmp_decoder.h"
#include "gif/picture_decoder.h"

namespace movrel {

bool DecodePicture(const uint8_t* data, size_t size, WorkingImage* image) { return DecodeBmp(data, size, image); }

}  // namespace movrel
