#pragma once

#include <QLoggingCategory>

// One category per subsystem for failures the user does not see. Warnings (a playlist that
// could not be stored, media that would not play) are printed; QT_LOGGING_RULES turns on the
// rest, for example "sonaveil.*.info=true" for every failed transfer.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcCatalog)
Q_DECLARE_LOGGING_CATEGORY(lcDownload)
Q_DECLARE_LOGGING_CATEGORY(lcLyrics)
Q_DECLARE_LOGGING_CATEGORY(lcMenus)
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
Q_DECLARE_LOGGING_CATEGORY(lcUpdater)
Q_DECLARE_LOGGING_CATEGORY(lcWeb)
