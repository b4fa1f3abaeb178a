#pragma once

#include "platform/version.h"

#include <QString>

namespace fangji::platform {

inline const QString kProductName = QStringLiteral("禾枢药典之方剂(标准版)");
inline const QString kMainCaption = QStringLiteral("欢迎使用禾枢药典之中医方剂(标准版)");
// The title message boxes carry where the system names "the application's title".
inline const QString kAppTitle = kProductName;
// The product web address opened from the help menu and the About box.
inline const QString kWebAddress = QStringLiteral("https://fangji.example.org/");

// The program's version number (5.2.0), as the project sets it.
inline constexpr int kVersionMajor = FANGJI_VERSION_MAJOR;
inline constexpr int kVersionMinor = FANGJI_VERSION_MINOR;
inline constexpr int kVersionRevision = FANGJI_VERSION_PATCH;
inline constexpr const char* kVersion = FANGJI_VERSION;

// Window measures are kept in twips: 15 twips per device-independent pixel.
inline constexpr int twipsToPixels(int twips) {
    return twips / 15;
}
inline constexpr int pixelsToTwips(int pixels) {
    return pixels * 15;
}

} // namespace fangji::platform
