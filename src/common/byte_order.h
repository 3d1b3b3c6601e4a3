// Little-endian numbers in byte buffers, the order of every field of the BMP,
// ICO and GIF files the program reads and writes. Byte by byte, so the
// reads need no alignment and mean the same on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace movrel {

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) { return ReadLe16(p) | static_cast<uint32_t>(ReadLe16(p + 2)) << 16; }

// The same at byte `at` of `bytes`, which must hold the whole number.
inline uint16_t ReadLe16(const std::string& bytes, size_t at) {
  return ReadLe16(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}
inline uint32_t ReadLe32(const std::string& bytes, size_t at) {
  return ReadLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

inline void WriteLe16(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value & 0xFF);
  p[1] = static_cast<uint8_t>(value >> 8 & 0xFF);
}
inline void WriteLe32(uint8_t* p, uint32_t value) {
  WriteLe16(p, value & 0xFFFF);
  WriteLe16(p + 2, value >> 16);
}

// Overwrites the two bytes at `at`, which must exist.
inline void WriteLe16(std::string* bytes, size_t at, uint32_t value) {
  WriteLe16(reinterpret_cast<uint8_t*>(&(*bytes)[at]), value);
}

inline void AppendLe16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>(value >> 8 & 0xFF));
}
inline void AppendLe32(std::string* out, uint32_t value) {
  AppendLe16(out, value & 0xFFFF);
  AppendLe16(out, value >> 16);
}

}  // namespace movrel
