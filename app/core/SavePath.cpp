#include "SavePath.h"

namespace tw {

std::string cleanDialogPath(std::string text) {
    for (char& c : text)
        if (c == '\0') c = ' ';
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace tw
