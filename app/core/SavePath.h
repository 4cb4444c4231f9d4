// The path the save dialog returns, as the export uses it.
#pragma once

#include <string>

namespace tw {

// Every NUL character becomes a space, then leading and trailing spaces are removed.
std::string cleanDialogPath(std::string text);

} // namespace tw
