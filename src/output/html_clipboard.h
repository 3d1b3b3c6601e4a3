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

// The image element's source for the UTF-8 path `pathUtf8`: a path with a
// drive letter (C:\T\a.gif) becomes "file:///C:/T/a.gif" and a network
// path (\\host\share\a.gif) "file://host/share/a.gif". Separators become
// "/", and every byte other than letters, digits, "-", ".", "_", "~" (and
// the drive's ":") is percent-encoded, so "#", "%", "&", quotes, spaces and
// the UTF-8 bytes of non-ASCII letters cannot end or bend the address.
// Anything else (an address, a relative name) is used unchanged.
std::string ClipboardImageSource(const std::string& pathUtf8);

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
