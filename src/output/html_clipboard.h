// The "HTML Format" clipboard data that offers a GIF file to programs that
// accept pasted HTML (chat and mail programs, word processors, browsers).
// The data is the fragment <HTML><BODY><!--StartFragment--><IMG src="...">
// extra<!--EndFragment--></BODY></HTML> in UTF-8, preceded by the format's
// description header (Version, StartHTML, EndHTML, StartFragment,
// EndFragment), without which consumers ignore the data.
#pragma once

#include <string>

namespace movrel {

// The name under which the format is registered.
constexpr const char kHtmlClipboardFormat[] = "HTML Format";

// The image element's source: a path with a drive letter ("C:...") becomes
// "file:///" + path, backslashes as written; anything else (a network path,
// an address) is used unchanged. Works on GBK and UTF-8 alike, since ":"
// never occurs inside a double-byte character.
std::string ClipboardImageSource(const std::string& path);

// The HTML document around the image element and `extraHtml`, exactly as it
// goes between the header and the terminating zero.
std::string HtmlImageFragment(const std::string& source, const std::string& extraHtml);

// The header followed by `htmlUtf8`, a document holding the
// "<!--StartFragment-->" and "<!--EndFragment-->" markers. The offsets count
// bytes from the start of the returned text: StartHTML and EndHTML frame the
// document, StartFragment lies just after the start marker and EndFragment
// at the end marker. Without the markers the whole document is the fragment.
std::string HtmlClipboardData(const std::string& htmlUtf8);

}  // namespace movrel
