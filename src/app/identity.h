#pragma once

// Who the program is: its title, its window caption, and the tray icon it registers.

#include <QString>
#include <cstdint>

class QSystemTrayIcon;

// The application title: the tray tip and the name a second start looks for.
inline constexpr char kAppTitle[] = "Sonaveil v4.0";
// The main window's own caption.
inline constexpr char kMainCaption[] = "Sonaveil V4.0";
// What --version says.
inline constexpr char kVersion[] = "4.0";

// The tray-icon record: what the load step registers and the unload step removes.
struct TrayIconRecord {
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  QString szTip;
  QSystemTrayIcon* icon = nullptr;  // the registered icon, while there is one
};

extern TrayIconRecord TrayIcon;
