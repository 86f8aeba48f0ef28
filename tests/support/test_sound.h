#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>

// A private PulseAudio server with one null sink, the desktop's sound path for the test.
// While it runs, PULSE_SERVER points this process (and what it starts) at it; what is played
// is recorded from the sink's monitor as 44.1 kHz mono 16-bit samples.
class TestSoundServer {
 public:
  TestSoundServer();
  ~TestSoundServer();
  // False (with the reason on stderr) when pulseaudio could not be started.
  bool Ok() const { return ok_; }

  bool StartRecording();
  // The samples heard since StartRecording, scaled to -1..1, while it goes on.
  QList<float> Heard() const;
  // Stops recording; the samples heard since StartRecording.
  QList<float> StopRecording();

  static constexpr int kRate = 44100;

 private:
  QTemporaryDir dir_;
  QProcess server_;
  QProcess recorder_;
  QByteArray oldPulseServer_;
  bool ok_ = false;
};

// One stretch of sound in a recording: its main frequency and its level.
struct HeardTone {
  double frequency;  // Hz, from zero crossings
  double rms;        // on the -1..1 scale
  double seconds;
};

// Splits samples into stretches of steady sound, louder than silenceRms, that last at least
// minSeconds; each stretch is measured away from its edges.
QList<HeardTone> Tones(const QList<float>& samples, double silenceRms = 0.003,
                       double minSeconds = 0.5);

// Where a tone of firstHz gives way to one of secondHz, in 10 ms windows (silence, or the
// nearer of the two): how long the first was heard, and the gap. Nothing without both.
struct ToneJoin {
  double firstSeconds;
  double gapMs;
};
std::optional<ToneJoin> JoinOf(const QList<float>& samples, double firstHz, double secondHz,
                               double silenceRms = 0.003);
