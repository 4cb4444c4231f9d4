// Who made Tilewright and where to reach them: the author label and the export's failure
// message show the same addresses, so they live here once.
#pragma once

#include <string>
#include <string_view>

namespace tw::contact {

inline constexpr std::string_view kAuthor = "Corvane";
inline constexpr std::string_view kWebAddress = "https://tilewright.example.org";
inline constexpr std::string_view kEmailAddress = "tilewright@example.org";
inline constexpr std::string_view kForumAddress = "https://tilewright.example.org/forum/";
// The forum page the author label opens: the forum with the author's visitor tag.
inline constexpr std::string_view kForumPageQuery = "?fromuid=1";

inline std::string forumPageAddress() {
    return std::string(kForumAddress) + std::string(kForumPageQuery);
}

// The text of the message box that reports a failed export: whom to write to, what went
// wrong, and where the project lives, one per line (CR LF).
inline std::string exportFailureText(const std::string& description) {
    std::string text = "Sorry, an error was caused. Please contact E-mail:";
    text += kEmailAddress;
    text += "\r\n";
    text += description;
    text += "\r\n";
    text += kWebAddress;
    return text;
}

} // namespace tw::contact
