#include "support/test_sound.h"

#include <QFile>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "support/test_env.h"

namespace {

constexpr int kWindow = TestSoundServer::kRate / 20;  // 50 ms

double Rms(const QList<float>& s, qsizetype from, qsizetype to) {
  double sum = 0;
  for (qsizetype i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double Frequency(const QList<float>& s, qsizetype from, qsizetype to) {
  int crossings = 0;
  for (qsizetype i = from + 1; i < to; ++i)
    if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  return to > from ? crossings / 2.0 / (double(to - from) / TestSoundServer::kRate) : 0;
}

}  // namespace

TestSoundServer::TestSoundServer() {
  if (!dir_.isValid()) return;
  const QString socket = dir_.filePath("native");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir_.path());
  env.insert("XDG_RUNTIME_DIR", dir_.path());
  env.remove("PULSE_SERVER");
  server_.setProcessEnvironment(env);
  server_.setProcessChannelMode(QProcess::MergedChannels);
  server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                               "--disable-shm=yes", "--log-target=stderr", "-L",
                               "module-null-sink sink_name=out rate=44100 channels=2", "-L",
                               "module-native-protocol-unix auth-anonymous=1 socket=" + socket});
  if (!server_.waitForStarted(5000)) {
    std::fprintf(stderr, "pulseaudio did not start\n");
    return;
  }
  oldPulseServer_ = qgetenv("PULSE_SERVER");
  qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
  for (int i = 0; i < 100 && !ok_; ++i) {
    QProcess info;
    info.start("pactl", {"info"});
    ok_ = info.waitForFinished(2000) && info.exitCode() == 0;
    if (!ok_) QThread::msleep(50);
  }
  if (!ok_) std::fprintf(stderr, "pulseaudio: %s\n", server_.readAll().constData());
}

TestSoundServer::~TestSoundServer() {
  if (recorder_.state() != QProcess::NotRunning) {
    recorder_.kill();
    recorder_.waitForFinished(2000);
  }
  server_.terminate();
  if (!server_.waitForFinished(3000)) {
    server_.kill();
    server_.waitForFinished(2000);
  }
  if (oldPulseServer_.isEmpty())
    qunsetenv("PULSE_SERVER");
  else
    qputenv("PULSE_SERVER", oldPulseServer_);
}

bool TestSoundServer::StartRecording() {
  recorder_.setStandardOutputFile(dir_.filePath("heard.raw"));
  recorder_.start("parec", {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=1", "--latency-msec=20"});
  // Recording once the first samples (of silence) have come.
  return recorder_.waitForStarted(5000) && WaitUntil([&] { return !Heard().isEmpty(); });
}

QList<float> TestSoundServer::StopRecording() {
  recorder_.terminate();
  recorder_.waitForFinished(3000);
  return Heard();
}

QList<float> TestSoundServer::Heard() const {
  QFile file(dir_.filePath("heard.raw"));
  QList<float> samples;
  if (!file.open(QIODevice::ReadOnly)) return samples;
  const QByteArray raw = file.readAll();
  const auto* data = reinterpret_cast<const int16_t*>(raw.constData());
  samples.reserve(raw.size() / 2);
  for (qsizetype i = 0; i < raw.size() / 2; ++i) samples << data[i] / 32768.0f;
  return samples;
}

QList<HeardTone> Tones(const QList<float>& samples, double silenceRms, double minSeconds) {
  // Cut at silences and at changes of pitch, window by window.
  QList<HeardTone> tones;
  qsizetype start = -1;
  double startFrequency = 0;
  auto close = [&](qsizetype end) {
    if (start < 0) return;
    const qsizetype margin = kWindow * 2;
    const double seconds = double(end - start) / TestSoundServer::kRate;
    if (seconds >= minSeconds && end - start > 2 * margin)
      tones << HeardTone{Frequency(samples, start + margin, end - margin),
                         Rms(samples, start + margin, end - margin), seconds};
    start = -1;
  };
  for (qsizetype at = 0; at + kWindow <= samples.size(); at += kWindow) {
    const bool loud = Rms(samples, at, at + kWindow) > silenceRms;
    const double frequency = Frequency(samples, at, at + kWindow);
    if (!loud) {
      close(at);
      continue;
    }
    if (start >= 0 && std::abs(frequency - startFrequency) > startFrequency * 0.1) close(at);
    if (start < 0) {
      start = at;
      startFrequency = frequency;
    }
  }
  close(samples.size());
  return tones;
}

std::optional<ToneJoin> JoinOf(const QList<float>& samples, double firstHz, double secondHz,
                               double silenceRms) {
  constexpr qsizetype kStep = TestSoundServer::kRate / 100;
  int heard = 0;             // 10 ms windows of the first tone
  qsizetype lastFirst = -1;  // the last of them
  for (qsizetype at = 0; at + kStep <= samples.size(); at += kStep) {
    if (Rms(samples, at, at + kStep) <= silenceRms) continue;
    const double f = Frequency(samples, at, at + kStep);
    if (std::abs(f - firstHz) <= std::abs(f - secondHz))
      ++heard, lastFirst = at / kStep;
    else if (lastFirst >= 0)
      return ToneJoin{heard / 100.0, double(at / kStep - lastFirst - 1) * 10};
  }
  return std::nullopt;
}
