#include "app/identity.h"

TrayIconRecord TrayIcon;
