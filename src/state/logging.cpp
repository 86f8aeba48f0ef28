#include "state/logging.h"

Q_LOGGING_CATEGORY(lcApp, "sonaveil.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCatalog, "sonaveil.catalog", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDownload, "sonaveil.download", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLyrics, "sonaveil.lyrics", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMenus, "sonaveil.menus", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlayback, "sonaveil.playback", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSkin, "sonaveil.skin", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdater, "sonaveil.updater", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWeb, "sonaveil.web", QtWarningMsg)
