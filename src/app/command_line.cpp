#include "app/command_line.h"

#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <array>

namespace {

struct TransportOption {
  const char* option;
  StartRequest::Transport transport;
  const char* name;  // on the channel
};
constexpr std::array<TransportOption, 4> kTransportOptions{{
    {"--play-pause", StartRequest::Transport::kPlayPause, "play-pause"},
    {"--next", StartRequest::Transport::kNext, "next"},
    {"--previous", StartRequest::Transport::kPrevious, "previous"},
    {"--stop", StartRequest::Transport::kStop, "stop"},
}};

// Qt's own options, which QApplication takes out of the arguments: those followed by a value,
// then those without.
constexpr std::array<const char*, 11> kQtOptionsWithValue{
    "-platform", "-platformpluginpath", "-platformtheme", "-display",     "-style", "-stylesheet",
    "-session",  "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-plugin"};
constexpr std::array<const char*, 4> kQtFlags{"-reverse", "-widgetcount", "-nograb", "-dograb"};

template <size_t N>
bool OneOf(const QByteArray& argument, const std::array<const char*, N>& options) {
  for (const char* option : options)
    if (argument == option || argument == QByteArray("-") + option) return true;
  return false;
}

bool IsUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder.decode(bytes);
  return !decoder.hasError();
}

bool Exists(const QByteArray& path) {
  struct stat info {};
  return ::stat(path.constData(), &info) == 0;
}

// A file named on the command line, made absolute; a name that is not UTF-8 keeps its bytes
// as a file: address.
QString LocalItem(const QByteArray& path) {
  if (IsUtf8(path)) return QString::fromUtf8(path);
  return "file://" + QString::fromLatin1(path.toPercentEncoding("/"));
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv,
                                   const QByteArray& workingFolder) {
  ParsedCommandLine parsed;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    if (!optionsEnd && argument.startsWith('-') && argument.size() > 1) {
      if (argument == "--") {
        optionsEnd = true;
      } else if (argument == "-h" || argument == "--help") {
        parsed.outcome = ParsedCommandLine::Outcome::kHelp;
        return parsed;
      } else if (argument == "-v" || argument == "--version") {
        parsed.outcome = ParsedCommandLine::Outcome::kVersion;
        return parsed;
      } else if (argument == "-e" || argument == "--enqueue") {
        parsed.request.enqueue = true;
      } else if (OneOf(argument, kQtOptionsWithValue)) {
        ++i;
      } else if (!OneOf(argument, kQtFlags)) {
        bool known = false;
        for (const TransportOption& option : kTransportOptions)
          if (argument == option.option) {
            parsed.request.transport = option.transport;
            known = true;
          }
        if (!known) {
          parsed.outcome = ParsedCommandLine::Outcome::kUsageError;
          parsed.error = QString("unknown option %1").arg(QString::fromLocal8Bit(argument));
          return parsed;
        }
      }
      continue;
    }
    // A network address goes as it is; a file: address or a name is a file here.
    const bool fileAddress = argument.startsWith("file://");
    if (argument.contains("://") && !fileAddress) {
      parsed.request.items << QString::fromUtf8(argument);
      continue;
    }
    QByteArray path = fileAddress ? QByteArray::fromPercentEncoding(argument.mid(7)) : argument;
    if (!path.startsWith('/')) path = workingFolder + '/' + path;
    if (!Exists(path)) {
      parsed.missing << QString::fromLocal8Bit(argument);
      continue;
    }
    parsed.request.items << LocalItem(path);
  }
  return parsed;
}

QByteArray StartRequest::Encode() const {
  QJsonObject object{{"items", QJsonArray::fromStringList(items)}, {"enqueue", enqueue}};
  for (const TransportOption& option : kTransportOptions)
    if (option.transport == transport) object["transport"] = option.name;
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<StartRequest> StartRequest::Decode(const QByteArray& line) {
  const QJsonDocument document = QJsonDocument::fromJson(line.trimmed());
  if (!document.isObject()) return std::nullopt;
  const QJsonObject object = document.object();
  StartRequest request;
  for (const QJsonValue& item : object["items"].toArray())
    if (item.isString()) request.items << item.toString();
  request.enqueue = object["enqueue"].toBool();
  const QString transport = object["transport"].toString();
  for (const TransportOption& option : kTransportOptions)
    if (transport == QLatin1String(option.name)) request.transport = option.transport;
  return request;
}

QString Usage() {
  return "Usage: sonaveil [OPTION]... [FILE|URL|PLAYLIST]...\n"
         "Adds the files, addresses and playlists (M3U, M3U8, PLS) to the playlist and plays the\n"
         "first of them. With a player running already, it is that player that takes them.\n"
         "\n"
         "  -e, --enqueue     add, do not play\n"
         "      --play-pause  play, or pause what plays\n"
         "      --next        play the next song\n"
         "      --previous    play the previous song\n"
         "      --stop        stop\n"
         "  -h, --help        show this help and exit\n"
         "  -v, --version     show the version and exit\n";
}
