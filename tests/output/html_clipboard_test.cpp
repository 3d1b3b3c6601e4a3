// The clipboard's HTML data: the image source, the fragment and the
// description header whose offsets consumers rely on.
#include "output/html_clipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace movrel {
namespace {

// The header's "Name:value" lines, up to the first line that is none.
std::map<std::string, std::string> HeaderFields(const std::string& data) {
  std::map<std::string, std::string> fields;
  size_t pos = 0;
  for (;;) {
    size_t end = data.find("\r\n", pos);
    if (end == std::string::npos) break;
    std::string line = data.substr(pos, end - pos);
    size_t colon = line.find(':');
    if (colon == std::string::npos || line[0] == '<') break;
    fields[line.substr(0, colon)] = line.substr(colon + 1);
    pos = end + 2;
  }
  return fields;
}

size_t Offset(const std::map<std::string, std::string>& fields, const char* name) {
  auto found = fields.find(name);
  EXPECT_NE(found, fields.end()) << name;
  if (found == fields.end()) return 0;
  EXPECT_EQ(found->second.size(), 10u) << name;
  return std::strtoul(found->second.c_str(), nullptr, 10);
}

TEST(HtmlClipboard, PathsBecomeFileAddressesOthersStay) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\T\\a.tmp", "file:///C:/T/a.tmp"},
      {"d:a.gif", "file:///d:a.gif"},
      // Characters that end or bend an address, and the UTF-8 bytes of
      // a user name, are percent-encoded; so is "%" itself.
      {u8"C:\\Users\\A&B #1\\100%\\\"x\"\\录制.tmp",
       "file:///C:/Users/A%26B%20%231/100%25/%22x%22/%E5%BD%95%E5%88%B6.tmp"},
      {"C:\\a+b;c=d?e'f.gif", "file:///C:/a%2Bb%3Bc%3Dd%3Fe%27f.gif"},
      {"\\\\server\\share\\a b.gif", "file://server/share/a%20b.gif"},
      {"a.gif", "a.gif"},
      {"http://example.org/a.gif", "http://example.org/a.gif"},
      {"1:x", "1:x"},
      {"C", "C"},
      {"", ""},
  };
  for (auto [path, source] : cases) EXPECT_EQ(ClipboardImageSource(path), source) << path;
}

TEST(HtmlClipboard, FragmentIsTheImageTagBetweenTheMarkers) {
  EXPECT_EQ(HtmlImageFragment("file:///C:/T/a.tmp", ""),
            "<HTML><BODY><!--StartFragment--><IMG src=\"file:///C:/T/a.tmp\"><!--EndFragment--></BODY></HTML>");
  EXPECT_EQ(HtmlImageFragment("a.gif", "<br>x"),
            "<HTML><BODY><!--StartFragment--><IMG src=\"a.gif\"><br>x<!--EndFragment--></BODY></HTML>");
}

TEST(HtmlClipboard, HeaderOffsetsCountBytesOfTheUtf8Data) {
  const std::string sources[] = {
      "file:///C:/T/a.tmp",
      u8"file:///C:/录制/運閉/动画.gif",  // multi-byte characters shift every offset after them
  };
  for (const std::string& source : sources) {
    const std::string html = HtmlImageFragment(source, u8"<p>说明</p>");
    const std::string data = HtmlClipboardData(html);
    auto fields = HeaderFields(data);
    EXPECT_EQ(fields["Version"], "0.9");
    size_t startHtml = Offset(fields, "StartHTML"), endHtml = Offset(fields, "EndHTML");
    size_t startFragment = Offset(fields, "StartFragment"), endFragment = Offset(fields, "EndFragment");
    ASSERT_LE(endHtml, data.size());
    EXPECT_EQ(endHtml, data.size());
    EXPECT_EQ(data.substr(startHtml, endHtml - startHtml), html);
    EXPECT_EQ(data.substr(startFragment - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(data.substr(endFragment, 18), "<!--EndFragment-->");
    EXPECT_EQ(data.substr(startFragment, endFragment - startFragment),
              "<IMG src=\"" + source + "\">" + u8"<p>说明</p>");
  }
}

}  // namespace
}  // namespace movrel
