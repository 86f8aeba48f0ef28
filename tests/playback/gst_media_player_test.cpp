#include "playback/gst_media_player.h"

#include <gtest/gtest.h>

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtEndian>
#include <cmath>
#include <memory>

#include "platform/endpoints.h"
#include "playback/legacy_text.h"
#include "playback/song_tags.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "support/test_media.h"

namespace {

// Every player here plays in real time into a sink that discards the sound, unless a test
// says otherwise.
class GstPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true"); }
  void TearDown() override { qunsetenv("SONAVEIL_AUDIO_SINK"); }

  static bool WaitPlaying(MediaPlayer& player, int ms = 10000) {
    return WaitUntil([&] { return player.playState() == MediaPlayer::wmppsPlaying; }, ms);
  }
};

struct MediaCase {
  const char* format;
  QString title;
  QString artist;
  double seconds;
  const char* id3 = nullptr;  // an MP3 tagged in this character set, as Windows taggers did
  bool id3v1 = false;
  const char* encodings = "";  // the fallback code pages; "" keeps GB18030
};

TEST_F(GstPlayerTest, LocalFilesPlayWithDurationAndTags) {
  const MediaCase cases[] = {
      {"wav", "月亮代表我的心", "邓丽君", 2.0},
      {"mp3", "茉莉花", "白云飞", 3.0},
      {"wma", "康定情歌", "林晚星", 2.5},
      // ID3 text that declares no character set, read in the fallback code pages; Latin-1
      // names stay as they are.
      {"mp3", "月亮代表我的心", "邓丽君", 1.0, "UTF-16"},
      {"mp3", "月亮代表我的心", "邓丽君", 1.0, "GBK"},
      {"mp3", "月亮代表我的心", "邓丽君", 1.0, "GBK", true},
      {"mp3", "月亮代表我的心", "邓丽君", 1.0, "UTF-8"},
      {"mp3", "月亮代表我的心", "鄧麗君", 1.0, "Big5", false, "Big5"},
      {"mp3", "我愛你MV", "Live 鄧麗君", 1.0, "Big5", false, "Big5"},  // 你 is A7 41, "A"
      {"mp3", "Sigur Rós", "Beyoncé", 1.0, "ISO-8859-1"},  // "ós" is F3 73, valid GB18030
      {"mp3", "Café del Mar", "Mötley Crüe", 1.0, "ISO-8859-1", true},
      {"mp3", "Größe", "Björk", 1.0, "ISO-8859-1"},
  };
  TempAppFolder folder;
  int n = 0;
  for (const MediaCase& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + (c.id3 ? c.id3 : "") + (c.id3v1 ? " ID3v1" : ""));
    folder.Write("data/endpoints.ini", QByteArray("[endpoints]\nFallbackEncodings=") + c.encodings);
    ReloadEndpoints();
    const QString name = QString("tagged_%1_%2").arg(c.format).arg(n++);
    const QString file =
        c.id3 ? TestMedia::Id3Tagged(name, c.seconds, 440, c.title, c.artist, c.id3, c.id3v1)
              : TestMedia::Tone(name, c.format, c.seconds, 440, c.title, c.artist);
    ASSERT_FALSE(file.isEmpty());
    // TagLib, as a file is added, reads what the player reads.
    const auto read =
        SongTags::Read(file, LegacyText::FallbackEncodings()).value_or(SongTags::Tags{});
    EXPECT_EQ(read.title + "|" + read.artist, c.title + "|" + c.artist);
    EXPECT_NEAR(read.seconds, c.seconds, 0.15);
    GstMediaPlayer player;
    QSignalSpy errors(&player, &MediaPlayer::Error);
    QSignalSpy states(&player, &MediaPlayer::OpenStateChange);
    player.setURL(file);
    ASSERT_TRUE(WaitPlaying(player));
    EXPECT_NEAR(player.currentMedia.duration(), c.seconds, 0.1);
    ASSERT_TRUE(WaitUntil([&] { return !player.currentMedia.getItemInfo("Title").isEmpty(); }));
    EXPECT_EQ(player.currentMedia.getItemInfo("Title"), c.title);
    EXPECT_EQ(player.currentMedia.getItemInfo("Author"), c.artist);
    EXPECT_TRUE(errors.isEmpty());
    // A local file opens without looking for a server: opening, then open.
    ASSERT_GE(states.size(), 2);
    EXPECT_EQ(states.first().at(0).toInt(), MediaPlayer::osOpening);
    EXPECT_EQ(states.last().at(0).toInt(), MediaPlayer::osOpen);
  }
}

// An MP3 plays without bringing FFmpeg's libraries into the process (run alone, as ctest
// runs every test, so that nothing played before has loaded them). The player also waits
// for its first use to start GStreamer.
TEST_F(GstPlayerTest, AnMp3PlaysWithoutFfmpeg) {
  auto mapped = [](const char* library) {
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
  };
  const QString file = TestMedia::Tone("lean", "mp3", 1.0);
  ASSERT_FALSE(file.isEmpty());
  GstMediaPlayer player;
  if (!gst_is_initialized()) {
    EXPECT_FALSE(mapped("libgstplayback"));
  }
  player.setURL(file);
  ASSERT_TRUE(WaitPlaying(player));
  EXPECT_TRUE(mapped("libgstmpg123"));
  EXPECT_FALSE(mapped("libavcodec"));
}

TEST_F(GstPlayerTest, MidiPlaysThroughTheSoundFont) {
  const QString file = TestMedia::Midi("four_notes", 4);  // 2 seconds
  ASSERT_FALSE(file.isEmpty());
  GstMediaPlayer player;
  QSignalSpy errors(&player, &MediaPlayer::Error);
  player.setURL(file);
  ASSERT_TRUE(WaitPlaying(player)) << "errors: " << errors.size();
  EXPECT_NEAR(player.currentMedia.duration(), 2.0, 0.1);
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(GstPlayerTest, PauseResumesWhereItStoppedAndStopRewinds) {
  const QString file = TestMedia::Tone("pause", "mp3", 6.0);
  GstMediaPlayer player;
  player.setURL(file);
  ASSERT_TRUE(WaitPlaying(player));
  WaitUntil([&] { return player.controls.currentPosition() >= 1.0; });
  player.controls.pause();
  ASSERT_TRUE(WaitUntil([&] { return player.playState() == MediaPlayer::wmppsPaused; }));
  const double pausedAt = player.controls.currentPosition();
  EXPECT_GE(pausedAt, 1.0);
  WaitUntil([] { return false; }, 600);
  EXPECT_NEAR(player.controls.currentPosition(), pausedAt, 0.05);  // held while paused

  player.controls.play();
  ASSERT_TRUE(WaitPlaying(player));
  EXPECT_NEAR(player.controls.currentPosition(), pausedAt, 0.3);

  player.controls.stop();
  EXPECT_EQ(player.playState(), MediaPlayer::wmppsStopped);
  EXPECT_EQ(player.URL(), file);  // still loaded
  player.controls.play();
  ASSERT_TRUE(WaitPlaying(player));
  EXPECT_LT(player.controls.currentPosition(), 0.5);
}

TEST_F(GstPlayerTest, SeekVolumeAndPositionText) {
  const QString file = TestMedia::Tone("seek", "wav", 20.0);
  GstMediaPlayer player;
  EXPECT_EQ(player.settings.volume(), 50);
  player.setURL(file);
  ASSERT_TRUE(WaitPlaying(player));
  player.controls.setCurrentPosition(12.0);
  ASSERT_TRUE(WaitUntil([&] { return player.controls.currentPosition() >= 12.0; }));
  EXPECT_NEAR(player.controls.currentPosition(), 12.0, 0.5);
  EXPECT_EQ(player.controls.currentPositionString(), "00:12");

  for (int volume : {0, 37, 100}) {
    player.settings.setVolume(volume);
    EXPECT_EQ(player.settings.volume(), volume);
  }
  player.settings.setVolume(140);
  EXPECT_EQ(player.settings.volume(), 100);
}

TEST(FormatPosition, MinutesAndSeconds) {
  EXPECT_EQ(FormatPosition(0), "00:00");
  EXPECT_EQ(FormatPosition(59.9), "00:59");
  EXPECT_EQ(FormatPosition(215.6), "03:35");
  EXPECT_EQ(FormatPosition(6000), "100:00");
  EXPECT_EQ(FormatPosition(-3), "00:00");
}

TEST_F(GstPlayerTest, HttpAddressPlaysFromTheLoopbackServer) {
  const QString file = TestMedia::Tone("served", "mp3", 3.0, 440, "网络歌曲", "Server");
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  TestHttpServer server;
  server.Route("/music/served.mp3", {.body = in.readAll(), .contentType = "audio/mpeg"});
  GstMediaPlayer player;
  QSignalSpy states(&player, &MediaPlayer::OpenStateChange);
  player.setURL(server.Url("/music/served.mp3"));
  ASSERT_TRUE(WaitPlaying(player));
  EXPECT_NEAR(player.currentMedia.duration(), 3.0, 0.15);
  QList<int> seen;
  for (const auto& s : states) seen << s.at(0).toInt();
  EXPECT_EQ(seen.first(), MediaPlayer::osLocatingServer);
  EXPECT_TRUE(seen.contains(MediaPlayer::osConnecting));
  EXPECT_EQ(seen.last(), MediaPlayer::osOpen);
}

TEST_F(GstPlayerTest, SlowStreamReportsBufferingAndThenPlays) {
  const QString file = TestMedia::Tone("trickle", "mp3", 4.0);
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  TestHttpServer server;
  // About half the speed the song plays at: the player has to wait for it.
  server.Route("/music/trickle.mp3", {.body = in.readAll(),
                                      .contentType = "audio/mpeg",
                                      .chunked = true,
                                      .chunkBytes = 2048,
                                      .chunkDelayMs = 250});
  GstMediaPlayer player;
  QSignalSpy buffering(&player, &MediaPlayer::Buffering);
  player.setURL(server.Url("/music/trickle.mp3"));
  ASSERT_TRUE(WaitUntil([&] { return !buffering.isEmpty(); }, 10000));
  EXPECT_TRUE(buffering.first().at(0).toBool());
  EXPECT_NE(player.playState(), MediaPlayer::wmppsPlaying);  // waits while it fills
  ASSERT_TRUE(WaitUntil([&] { return buffering.size() >= 2; }, 20000));
  EXPECT_FALSE(buffering.at(1).at(0).toBool());
  EXPECT_TRUE(WaitPlaying(player, 5000));
}

TEST_F(GstPlayerTest, MissingFileAndRefusedConnectionRaiseError) {
  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost, 0);
  const quint16 port = closed.serverPort();
  closed.close();
  const QString addresses[] = {
      TestMedia::Folder() + "/no such file.mp3",
      QString("http://127.0.0.1:%1/music/a.wma").arg(port),
      // Tried as HTTP streaming from the same host, where nobody answers either.
      QString("mms://127.0.0.1:%1/music/a.wma").arg(port),
  };
  for (const QString& address : addresses) {
    SCOPED_TRACE(address.toStdString());
    GstMediaPlayer player;
    QSignalSpy errors(&player, &MediaPlayer::Error);
    player.setURL(address);
    ASSERT_TRUE(WaitUntil([&] { return !errors.isEmpty(); }, 10000));
    EXPECT_NE(player.playState(), MediaPlayer::wmppsPlaying);
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(errors.size(), 1);  // one report per load
  }
}

TEST(GstMediaPlayerUri, LocalPathsAndStreamAddresses) {
  EXPECT_EQ(GstMediaPlayer::ToUri("/home/user/音乐/a b.mp3"),
            "file:///home/user/%E9%9F%B3%E4%B9%90/a%20b.mp3");
  EXPECT_EQ(GstMediaPlayer::ToUri("http://h/a.wma"), "http://h/a.wma");
  EXPECT_EQ(GstMediaPlayer::ToUri("mms://stream.example/music/a.wma"),
            "http://stream.example/music/a.wma");
}

// Reads 16-bit PCM from a WAV file (the first channel).
std::vector<double> ReadWav(const QString& path, int* rate) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  std::vector<double> samples;
  qsizetype pos = 12;
  int channels = 1;
  while (pos + 8 <= data.size()) {
    const QByteArray id = data.mid(pos, 4);
    quint32 size = qFromLittleEndian<quint32>(data.constData() + pos + 4);
    if (id == "fmt ") {
      channels = qFromLittleEndian<quint16>(data.constData() + pos + 10);
      *rate = static_cast<int>(qFromLittleEndian<quint32>(data.constData() + pos + 12));
    } else if (id == "data") {
      if (size == 0 || pos + 8 + static_cast<qsizetype>(size) > data.size())
        size = data.size() - pos - 8;
      for (qsizetype i = pos + 8; i + 2 * channels <= pos + 8 + size; i += 2 * channels)
        samples.push_back(qFromLittleEndian<qint16>(data.constData() + i) / 32768.0);
      break;
    }
    pos += 8 + size + (size & 1);
  }
  return samples;
}

// Plays file to its end into a WAV file and gives back what was played; the player opened
// ahead first, when given, before it was told what to play.
std::vector<double> Capture(const QString& file, int* rate, int volume = 100,
                            const QString& ahead = QString()) {
  const QString captured = TestMedia::Folder() + "/captured.wav";
  QFile::remove(captured);
  qputenv("SONAVEIL_AUDIO_SINK", ("wavenc ! filesink location=" + captured).toUtf8());
  {
    GstMediaPlayer player;
    QSignalSpy ended(&player, &MediaPlayer::MediaEnded);
    player.settings.setVolume(volume);
    if (!ahead.isEmpty()) player.Prepare(ahead);
    player.setURL(file);
    // Played to its end: the capture is complete once the player reports stopped.
    EXPECT_TRUE(WaitUntil([&] { return player.playState() == MediaPlayer::wmppsStopped; }, 15000));
    EXPECT_EQ(ended.size(), 1);
  }
  qunsetenv("SONAVEIL_AUDIO_SINK");
  return ReadWav(captured, rate);
}

double Rms(const std::vector<double>& samples) {
  double energy = 0;
  for (double s : samples) energy += s * s;
  return samples.empty() ? 0 : std::sqrt(energy / samples.size());
}

// The volume is perceptual: half way is an eighth of the amplitude (cubic).
TEST(GstPlayerSound, VolumeFollowsTheCubicScale) {
  const QString file = TestMedia::Tone("level", "wav", 1.0, 440);
  int rate = 0;
  const double full = Rms(Capture(file, &rate, 100));
  const double half = Rms(Capture(file, &rate, 50));
  ASSERT_GT(full, 0.1);
  EXPECT_NEAR(half / full, 0.125, 0.01);
}

TEST(GstPlayerSound, MidiIsSynthesisedNotSilent) {
  int rate = 0;
  const std::vector<double> samples = Capture(TestMedia::Midi("capture", 4), &rate);
  ASSERT_GT(samples.size(), static_cast<size_t>(rate));
  EXPECT_GT(Rms(samples), 0.005);
}

// Also when the player opened it ahead (from its start), or opened another file in vain.
TEST(GstPlayerSound, PlayedSoundIsTheToneInTheFile) {
  const QString tone = TestMedia::Tone("a440", "mp3", 2.0, 440);
  for (const QString& ahead : {QString(), tone, TestMedia::Tone("e660", "mp3", 2.0, 660)}) {
    SCOPED_TRACE(ahead.toStdString());
    int rate = 0;
    const std::vector<double> samples = Capture(tone, &rate, 100, ahead);
    ASSERT_GT(rate, 0);
    ASSERT_GT(samples.size(), static_cast<size_t>(rate) * 19 / 10);  // the two seconds
    // The strongest frequency of one second from the middle, to the nearest hertz.
    const size_t start = samples.size() / 2 - static_cast<size_t>(rate) / 2;
    int best = 0;
    double bestPower = 0;
    for (int f = 50; f <= 2000; ++f) {
      double re = 0, im = 0;
      for (int i = 0; i < rate; ++i) {
        const double phase = 2 * M_PI * f * i / rate;
        re += samples[start + i] * std::cos(phase);
        im += samples[start + i] * std::sin(phase);
      }
      if (re * re + im * im > bestPower) {
        bestPower = re * re + im * im;
        best = f;
      }
    }
    EXPECT_NEAR(best, 440, 5);
  }
}

}  // namespace
