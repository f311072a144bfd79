#pragma once

#include <string>

#include "engine/note_file.h"
#include "tools/cli/drive/stage_drive.h"

namespace kerbcall::cli {

// A picture of a drive through the stage as an SVG document: distance along
// the stage across, each note's trigger window, and each call as a bar over
// the distance driven while it sounds, its heard part apart from the part
// cut off, labelled with its note and sound name.
std::string TimelineSvg(const NoteFileContents& contents, const DriveMotion& motion, const DriveResult& drive,
                        const std::string& title);

}  // namespace kerbcall::cli
