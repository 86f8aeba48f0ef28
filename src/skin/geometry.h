#pragma once

// Where the skin's parts sit on the main window, in pixels unless named twips.
namespace SkinGeometry {

inline constexpr int kTwipsPerPixel = 15;
// The window's size, set at start and again after every drag.
inline constexpr int kWindowWidthTwips = 13755;
inline constexpr int kWindowHeightTwips = 8535;
inline constexpr int kWindowWidth = kWindowWidthTwips / kTwipsPerPixel;
inline constexpr int kWindowHeight = kWindowHeightTwips / kTwipsPerPixel;

// The player face and the playlist panel that slides out from under it.
inline constexpr int kFaceWidth = 242;
inline constexpr int kFaceHeight = 322;
inline constexpr int kPanelHeight = 174;
inline constexpr int kPanelClosedTop = 186;
inline constexpr int kPanelOpenTop = 322;  // 17 steps of kPanelStep below the closed place
inline constexpr int kPanelStep = 8;

// The six control buttons ride on the playlist panel, this far below its top.
inline constexpr int kControlsBelowPanelTop = 149;
inline constexpr int kControlSize = 22;
inline constexpr int kControlLeft[6] = {52, 75, 98, 121, 145, 168};

// The six top buttons on the face.
inline constexpr int kTopButtonTop = 7;
inline constexpr int kTopButtonHeight = 17;
inline constexpr int kTopLeft[6] = {13, 150, 170, 191, 206, 223};
inline constexpr int kTopWidth[6] = {9, 15, 17, 9, 10, 9};

}  // namespace SkinGeometry
