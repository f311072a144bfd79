#pragma once

#include <windows.h>

// Window classes and control identifiers of the two windows. Identifier 1
// (IDOK) is left unused: the dialog keyboard handling sends it for Enter, and
// no button of the chooser is the default button.
namespace kerbcall::win32 {

inline constexpr char kMainWindowClass[] = "KerbcallStartupForm";
inline constexpr char kChooserWindowClass[] = "KerbcallFrmFileManager2";
inline constexpr char kPanelWindowClass[] = "KerbcallPanel";

inline constexpr int kCommand2Id = 101;
inline constexpr int kLabel1Id = 102;
inline constexpr int kStatusId = 103;
inline constexpr UINT_PTR kStatusTimerId = 1;

inline constexpr int kSelectId = 201;
// Escape presses the Cancel button through the dialog keyboard handling.
inline constexpr int kCancelId = IDCANCEL;
inline constexpr int kPicture1Id = 203;
inline constexpr int kDriveListId = 204;
inline constexpr int kDirectoryListId = 205;
inline constexpr int kFileListId = 206;

}  // namespace kerbcall::win32
