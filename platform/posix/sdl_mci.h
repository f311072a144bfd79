#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/mci.h"

namespace kerbcall::posix {

// The result codes of SdlMci, numbered as the multimedia service numbers
// them so that callers see the codes they know.
enum class MciError : std::int32_t {
    kNone = 0,
    kUnrecognizedCommand = 261,  // a text that is not one of the commands below
    kInvalidDeviceName = 263,    // no such alias is open
    kCannotLoadDriver = 266,     // no audio device could be opened
    kFileNotFound = 275,
    kDuplicateAlias = 289,
    kInvalidFile = 296,  // the file holds no sound that can be decoded
};

enum class MciVerb { kOpen, kSetAudio, kPlay, kClose };
enum class AudioSide { kLeft, kRight };

// One command text, understood. Keywords are matched without regard to
// letter case; the alias keeps its case but is compared without it.
struct MciCommand {
    MciVerb verb = MciVerb::kClose;
    std::string alias;
    std::string path;                   // open: the file, without its quotes
    AudioSide side = AudioSide::kLeft;  // setaudio
    bool on = false;                    // setaudio
    bool repeat = false;                // play

    bool operator==(const MciCommand&) const = default;
};

// Understands exactly these command texts (words separated by blanks):
//   open "PATH" type mpegvideo alias ALIAS   (PATH unquoted when it has no
//                                             blank; "type" may be left out)
//   setaudio ALIAS left|right on|off
//   play ALIAS [repeat]
//   close ALIAS
// nullopt for anything else.
std::optional<MciCommand> ParseMciCommand(std::string_view text);

// A command-string interpreter that plays sound files through SDL_mixer.
// Files are recognised by their content, whatever their name. The audio
// device belongs to the process: keep one SdlMci per program. It opens on a
// thread of its own, so that a sound server that does not answer holds up
// nothing else: on PrepareOutput, or on an open command, which waits for it
// a quarter of a second at most (once per attempt). An open command finds a
// device that failed or was lost opened again, at most once a second, and
// fails with kCannotLoadDriver while there is none. SDL is kept from taking
// over SIGINT and SIGTERM. Several aliases may be open, but one sounds at a
// time: playing one stops another that sounds. A play while the alias still
// sounds lets it go on; after its end, play starts it again.
class SdlMci : public platform::Mci {
public:
    static constexpr int kSampleRate = 44100;
    // Frames per device buffer: about 6 ms at the sample rate.
    static constexpr int kBufferFrames = 256;

    SdlMci();
    ~SdlMci() override;
    SdlMci(const SdlMci&) = delete;
    SdlMci& operator=(const SdlMci&) = delete;

    // The code of MciError for the command; never throws.
    std::int32_t SendString(std::string_view command) override;

    // Opens the audio device ahead of the first sound, at once, where it is
    // not open: a sound server's new stream may take a second to be heard.
    void PrepareOutput() override;
    // SDL's word on the last failed attempt, or that one does not answer.
    std::string OutputProblem() override;
    // Stops and closes every alias and closes the audio device, so that a
    // device writing to a file finishes it. A later open opens it again.
    // An opening that does not answer is left behind.
    void CloseDevice();

private:
    struct Device;
    std::unique_ptr<Device> device_;
};

}  // namespace kerbcall::posix
