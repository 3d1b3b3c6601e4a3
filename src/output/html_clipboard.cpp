#include "output/html_clipboard.h"

#include <cstdio>

namespace movrel {
namespace {

constexpr const char kStartMarker[] = "<!--StartFragment-->";
constexpr const char kEndMarker[] = "<!--EndFragment-->";

// Offsets are written with ten digits, so the header's length does not
// depend on them.
std::string Header(size_t startHtml, size_t endHtml, size_t startFragment, size_t endFragment) {
  char text[160];
  snprintf(text, sizeof text,
           "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\nEndFragment:%010zu\r\n",
           startHtml, endHtml, startFragment, endFragment);
  return text;
}

}  // namespace

std::string ClipboardImageSource(const std::string& pathUtf8) {
  std::string address;
  size_t from = 0;
  const char drive = pathUtf8.empty() ? '\0' : pathUtf8[0];
  if (pathUtf8.size() >= 2 && pathUtf8[1] == ':' && ((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) {
    address = "file:///" + pathUtf8.substr(0, 2);
    from = 2;
  } else if (pathUtf8.size() > 2 && pathUtf8[0] == '\\' && pathUtf8[1] == '\\') {
    address = "file://";
    from = 2;
  } else {
    return pathUtf8;
  }
  static const char kHex[] = "0123456789ABCDEF";
  for (size_t i = from; i < pathUtf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(pathUtf8[i]);
    if (c == '\\' || c == '/') {
      address += '/';
    } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '.' || c == '_' || c == '~') {
      address += static_cast<char>(c);
    } else {
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 15];
    }
  }
  return address;
}

std::string HtmlImageFragment(const std::string& source, const std::string& extraHtml) {
  return std::string("<HTML><BODY>") + kStartMarker + "<IMG src=\"" + source + "\">" + extraHtml + kEndMarker +
         "</BODY></HTML>";
}

std::string HtmlClipboardData(const std::string& htmlUtf8) {
  const size_t headerBytes = Header(0, 0, 0, 0).size();
  size_t fragmentStart = 0;
  size_t fragmentEnd = htmlUtf8.size();
  size_t start = htmlUtf8.find(kStartMarker);
  if (start != std::string::npos) {
    fragmentStart = start + sizeof kStartMarker - 1;
    size_t end = htmlUtf8.rfind(kEndMarker);
    fragmentEnd = (end != std::string::npos && end >= fragmentStart) ? end : htmlUtf8.size();
  }
  return Header(headerBytes, headerBytes + htmlUtf8.size(), headerBytes + fragmentStart,
                headerBytes + fragmentEnd) +
         htmlUtf8;
}

}  // namespace movrel
