#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/posix/sdl_mci.h"

namespace kerbcall::posix {

namespace {

// Keywords are matched without regard to letter case.
bool IsKeyword(std::string_view word, std::string_view keyword) {
    return platform::EqualIgnoringAsciiCase(word, keyword);
}

MciCommand Command(MciVerb verb, std::string alias) {
    MciCommand command;
    command.verb = verb;
    command.alias = std::move(alias);
    return command;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The words of a command text; a word in double quotes may hold blanks and
// must be followed by a blank or the end. nullopt for a quote left open.
std::optional<std::vector<std::string>> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
            continue;
        }
        if (text[at] == '"') {
            const std::size_t closing = text.find('"', at + 1);
            if (closing == std::string_view::npos || (closing + 1 < text.size() && !IsBlank(text[closing + 1]))) {
                return std::nullopt;
            }
            words.emplace_back(text.substr(at + 1, closing - at - 1));
            at = closing + 1;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        words.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::optional<MciCommand> ParseOpen(const std::vector<std::string>& words) {
    if (words.size() < 2) {
        return std::nullopt;
    }
    MciCommand command = Command(MciVerb::kOpen, {});
    command.path = words[1];
    bool typeGiven = false;
    for (std::size_t i = 2; i < words.size(); i += 2) {
        if (i + 1 >= words.size()) {
            return std::nullopt;
        }
        const std::string& value = words[i + 1];
        if (IsKeyword(words[i], "type") && !typeGiven && IsKeyword(value, "mpegvideo")) {
            typeGiven = true;
        } else if (IsKeyword(words[i], "alias") && command.alias.empty() && !value.empty()) {
            command.alias = value;
        } else {
            return std::nullopt;
        }
    }
    if (command.alias.empty()) {
        return std::nullopt;
    }
    return command;
}

std::optional<MciCommand> ParseSetAudio(const std::vector<std::string>& words) {
    if (words.size() != 4) {
        return std::nullopt;
    }
    MciCommand command = Command(MciVerb::kSetAudio, words[1]);
    if (IsKeyword(words[2], "left")) {
        command.side = AudioSide::kLeft;
    } else if (IsKeyword(words[2], "right")) {
        command.side = AudioSide::kRight;
    } else {
        return std::nullopt;
    }
    if (IsKeyword(words[3], "on")) {
        command.on = true;
    } else if (!IsKeyword(words[3], "off")) {
        return std::nullopt;
    }
    return command;
}

}  // namespace

std::optional<MciCommand> ParseMciCommand(std::string_view text) {
    const std::optional<std::vector<std::string>> words = SplitWords(text);
    if (!words || words->empty()) {
        return std::nullopt;
    }
    const std::string& verb = words->front();
    if (IsKeyword(verb, "open")) {
        return ParseOpen(*words);
    }
    if (words->size() < 2 || (*words)[1].empty()) {
        return std::nullopt;
    }
    if (IsKeyword(verb, "setaudio")) {
        return ParseSetAudio(*words);
    }
    if (IsKeyword(verb, "play") && words->size() <= 3) {
        const bool repeat = words->size() == 3;
        if (repeat && !IsKeyword((*words)[2], "repeat")) {
            return std::nullopt;
        }
        MciCommand command = Command(MciVerb::kPlay, (*words)[1]);
        command.repeat = repeat;
        return command;
    }
    if (IsKeyword(verb, "close") && words->size() == 2) {
        return Command(MciVerb::kClose, (*words)[1]);
    }
    return std::nullopt;
}

}  // namespace kerbcall::posix
