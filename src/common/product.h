// The product's own names: what the GIF comment, the home-page link and the
// message boxes' default caption show.
#pragma once

namespace movrel {

constexpr const char* kProductName = "Movrel";
constexpr const char* kHomePageUrl = "https://movrel.example.org/";
// The caption of a message box that names none.
constexpr const char* kMakerCaption = "Kelv：";

}  // namespace movrel
