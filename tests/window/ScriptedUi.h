// Answers the window's message boxes and save dialog from a script, and records them.
#pragma once

#include "UserInterface.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

struct ScriptedUi final : tw::toolkit::UserInterface {
    struct Shown {
        std::string text;
        std::string title;
        tw::toolkit::Icon icon;
        tw::toolkit::Buttons buttons;
    };
    std::vector<Shown> messages;
    std::deque<tw::toolkit::Answer> answers;          // for Yes/No questions; No when empty
    std::deque<std::optional<std::string>> savePaths; // cancelled when empty
    std::vector<tw::toolkit::SaveDialogSettings> dialogs;
    std::vector<std::string> opened;
    std::function<void(const Shown&)> onMessage; // runs while a message "is open"

    tw::toolkit::Answer message(QWidget*, const std::string& text, tw::toolkit::Icon icon,
                                tw::toolkit::Buttons buttons, const std::string& title) override {
        messages.push_back({text, title, icon, buttons});
        if (onMessage) onMessage(messages.back());
        if (buttons == tw::toolkit::Buttons::Ok) return tw::toolkit::Answer::Ok;
        if (answers.empty()) return tw::toolkit::Answer::No;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> saveFileName(QWidget*,
                                            const tw::toolkit::SaveDialogSettings& s) override {
        dialogs.push_back(s);
        if (savePaths.empty()) return std::nullopt;
        auto p = savePaths.front();
        savePaths.pop_front();
        return p;
    }
    void openWebAddress(const std::string& address) override { opened.push_back(address); }
};
