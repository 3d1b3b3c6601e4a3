// A file-system path as the system spells it: UTF-16 code units, so a folder
// named in letters that GBK lacks (a Hangul user profile, say) reaches the W
// functions unchanged. Texts the user typed or the settings file holds are
// GBK and enter through FromGbk; the GBK form is for showing and storing
// only, since it turns every letter GBK lacks into '?'.
#pragma once

#include <string>

namespace movrel {

class FilePath {
 public:
  FilePath() = default;
  explicit FilePath(std::u16string units) : units_(std::move(units)) {}

  // Code page 936 text; per platform (the Windows conversion or iconv).
  static FilePath FromGbk(const std::string& gbk);
  static FilePath FromUtf8(const std::string& utf8);

  const std::u16string& Units() const { return units_; }
  bool empty() const { return units_.empty(); }

  // The path with `name` appended as it is (no separator is added: folders
  // are kept ending in theirs).
  FilePath Plus(const std::u16string& name) const { return FilePath(units_ + name); }
  // The same for a GBK name.
  FilePath PlusGbk(const std::string& name) const { return Plus(FromGbk(name).units_); }

  bool EndsWithSeparator() const;
  // Without any trailing '\' or '/'.
  FilePath WithoutTrailingSeparators() const;
  // The folder part with its separator ('\', '/' or a drive's ':'); empty for
  // a bare name.
  FilePath FolderPart() const;

  // For showing and storing: letters GBK cannot hold become '?'.
  std::string Gbk() const;
  // Whether the GBK form names this very path, so text that stores it reads
  // back as the same path: false when a letter GBK lacks would become '?' or
  // a look-alike.
  bool FitsGbk() const { return FromGbk(Gbk()) == *this; }
  // For the C library and the terminal; a lone surrogate becomes U+FFFD.
  std::string Utf8() const;

  bool operator==(const FilePath& other) const { return units_ == other.units_; }
  bool operator!=(const FilePath& other) const { return units_ != other.units_; }

 private:
  std::u16string units_;
};

// The UTF-16 <-> UTF-8 conversions behind FromUtf8 and Utf8. Malformed input
// (a lone surrogate, a cut or overlong sequence) becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units);
std::u16string Utf8ToUtf16(const std::string& utf8);

}  // namespace movrel
