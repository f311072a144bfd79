// Any bytes as the game's structure files (channels.json, a NUL, then the
// structure file) and as its config.json: a layout found always holds its
// distance and its four-character code inside the packet, a fault is always
// said, and a port is always one that can be listened on.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "simlink/wrc_structure.h"

namespace {
void Require(bool promise) { promise ? void() : std::abort(); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find('\0');
    const std::string_view channels = bytes.substr(0, split);
    const std::string_view structure = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
    const kerbcall::WrcLayoutResult result = kerbcall::ParseWrcLayout(channels, structure);
    Require(result.layout.has_value() == result.problem.empty());
    if (const auto& layout = result.layout) {
        const std::size_t distanceSize = layout->distanceIsFloat64 ? 8 : 4;
        Require(layout->distanceOffset + distanceSize <= layout->size);
        Require(!layout->fourccOffset || *layout->fourccOffset + 4 <= layout->size);
    }
    if (const auto config = kerbcall::ParseWrcConfig(bytes)) {
        Require(!config->port || *config->port != 0);
    }
    return 0;
}
