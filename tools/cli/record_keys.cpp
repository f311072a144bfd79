#include "tools/cli/record_keys.h"

namespace kerbcall::cli {

KeyMap DefaultKeyMap() {
    KeyMap keys;
    for (int i = 0; i < 6; ++i) {
        keys[static_cast<char>('1' + i)] = "left" + std::to_string(i + 1) + ".mp3";
        keys["qwerty"[i]] = "right" + std::to_string(i + 1) + ".mp3";
    }
    for (const char* call : {"hairpin", "square", "caution", "overcrest", "jump", "long", "finish"}) {
        keys[call[0]] = std::string(call) + ".mp3";
    }
    keys['i'] = "tightens.mp3";
    keys['p'] = "opens.mp3";
    return keys;
}

std::variant<KeyMap, std::string> ParseKeyMap(std::string_view text) {
    KeyMap keys;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        const std::size_t next = end == std::string_view::npos          ? text.size()
                                 : text.substr(end).starts_with("\r\n") ? end + 2
                                                                        : end + 1;
        text.remove_prefix(next);
        if (line.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const std::string_view sound = line.size() > 2 ? line.substr(2) : std::string_view();
        if (line.size() < 3 || line[1] != ',' || line[0] <= ' ' || line[0] > '~' ||
            sound.find_first_of(",;") != std::string_view::npos) {
            return where + "expected KEY,SOUND (one character, a comma and a sound file name)";
        }
        if (!keys.emplace(line[0], sound).second) {
            return where + "the key " + line[0] + " is given twice";
        }
    }
    if (keys.empty()) {
        return std::string("no key is given");
    }
    return keys;
}

}  // namespace kerbcall::cli
