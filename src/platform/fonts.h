#pragma once

class QString;

namespace fangji::platform {

// The Song face the windows name as "宋体", and the Kai face named "楷体_GB2312".
inline constexpr const char* kSongFace = "Noto Serif CJK SC";
inline constexpr const char* kKaiFace = "AR PL UKai CN";
// The face of every control that names none.
inline constexpr const char* kSansFace = "Noto Sans CJK SC";

// Makes Chinese text take its Simplified forms whatever the locale: the faces the
// windows name (宋体, 楷体_GB2312 and their Latin names) resolve to installed
// Simplified-Chinese faces, the application's face is one, and the default locale is
// Chinese (China). Call once, after the QApplication is made and before any window.
void installChineseFaces();

// Gives every window the program's own icon instead of Qt's.
void installProgramIcon();

} // namespace fangji::platform
