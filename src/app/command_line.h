#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// What one start of the player asks for on its command line:
//   sonaveil [OPTION]... [FILE|URL|PLAYLIST]...
// It is carried to the running player when there is one.
struct StartRequest {
  enum class Transport { kNone, kPlayPause, kNext, kPrevious, kStop };

  // Local files as absolute paths (as file: addresses where the name is not UTF-8),
  // network addresses, and playlist files, in the order given.
  QStringList items;
  bool enqueue = false;  // add without playing
  Transport transport = Transport::kNone;

  // One line for the single-instance channel, and back; nothing for a line that is no
  // request.
  QByteArray Encode() const;
  static std::optional<StartRequest> Decode(const QByteArray& line);
};

struct ParsedCommandLine {
  enum class Outcome { kRun, kHelp, kVersion, kUsageError };
  Outcome outcome = Outcome::kRun;
  StartRequest request;
  QString error;        // with kUsageError
  QStringList missing;  // local files that are not there, left out of the request
};

// Reads the arguments as the system gave them (bytes: a file name need not be UTF-8); names
// of files are taken relative to workingFolder. The options Qt itself takes (-platform,
// -display …) are left to it.
ParsedCommandLine ParseCommandLine(int argc, const char* const* argv,
                                   const QByteArray& workingFolder);

// The --help text.
QString Usage();
