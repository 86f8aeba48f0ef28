#pragma once

// Who the program is: its title, its window caption and its version.

// The application title: the tray tip and the name a second start looks for.
inline constexpr char kAppTitle[] = "Sonaveil v4.0";
// The main window's own caption.
inline constexpr char kMainCaption[] = "Sonaveil V4.0";
// What --version says.
inline constexpr char kVersion[] = "4.0";
