// What the "Ayuda" menu shows: the guide to the program and "Acerca de",
// both in Markdown and both shipped inside the program.
#pragma once

#include <string>

namespace vorn {

// The guide: the windows, the long runs, the search methods, the study
// and the files.
const std::string& guide_text();
// The version, the program's licence, and where the market data come from
// with their licence notices.
std::string about_text();

}  // namespace vorn
