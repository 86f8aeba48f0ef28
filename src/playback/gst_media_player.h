#pragma once

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

#include "playback/media_player.h"

// The player on GStreamer's playbin. Sound goes to the desktop's audio output, or to the sink
// that SONAVEIL_AUDIO_SINK describes (for example "fakesink sync=true", or
// "wavenc ! filesink location=out.wav" to capture what was played); video goes nowhere.
// Bus messages arrive on the UI thread through the default main context.
class GstMediaPlayer : public MediaPlayer {
  Q_OBJECT

 public:
  explicit GstMediaPlayer(QObject* parent = nullptr);
  ~GstMediaPlayer() override;

  // Starts the sound system on a thread of its own rather than at the first play; a local
  // likelyUrl is opened there too, paused, so that playing it needs no more than a start.
  void Prepare(const QString& likelyUrl = QString()) override;

  void setURL(const QString& url) override;
  QString URL() const override { return url_; }
  // Local files that are there, and files on web servers, follow on without a gap; anything
  // else waits for the end of what plays.
  void QueueNext(const QString& url) override;
  int playState() const override;

  // The address handed to playbin for url: local paths become file URIs, and an "mms://"
  // address is tried as HTTP streaming from the same host.
  static QString ToUri(const QString& url);

 protected:
  void DoPlay() override;
  void DoPause() override;
  void DoStop() override;
  double Position() const override;
  void Seek(double seconds) override;
  double Duration() const override;
  QString ItemInfo(const QString& name) const override;
  int Volume() const override { return volume_; }
  void SetVolume(int volume) override;

 private:
  static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  static void OnElementSetup(GstElement* playbin, GstElement* element, gpointer self);
  static void OnElementAdded(GstBin* bin, GstBin* sub, GstElement* element, gpointer self);
  static void OnSourceSetup(GstElement* playbin, GstElement* source, gpointer self);
  // On a streaming thread, as what plays is read to its end: the queued media goes next.
  static void OnAboutToFinish(GstElement* playbin, gpointer self);
  void HandleMessage(GstMessage* message);
  void HandleStreamStart();
  void HandleBuffering(GstMessage* message);
  void HandleEndOfStream();
  void HandleError(GstMessage* message);
  // The media handed over on about-to-finish, if any, which has not started yet; it is
  // forgotten.
  QString TakeSwitching();
  // What is known of the loaded media goes: another is loaded, or follows.
  void ForgetMedia();
  // url, handed over to follow, is the loaded media now.
  void StartQueued(const QString& url);
  void ReadTags(GstTagList* tags);
  void ChangeState(GstState state);
  void ApplyVolume();
  // Asks the pipeline for the duration now.
  void RefreshDuration();
  // Tells PlayStateChange when playState() has become another than last told.
  void NotifyPlayState();
  // The playbin, made on first need (or taken over from Prepare's thread); null when
  // GStreamer cannot make one.
  GstElement* Pipeline();
  // Starts GStreamer when needed and makes a playbin with its sinks; any thread.
  GstElement* MakePlaybin();

  GstElement* playbin_ = nullptr;
  // Prepare's thread, and what it made: only read once the thread has been joined.
  std::thread starter_;
  GstElement* made_ = nullptr;
  // The address Prepare opened ahead; empty once a load has used it or gone elsewhere.
  QString openedAhead_;
  bool pipelineFailed_ = false;
  int reportedState_ = wmppsUndefined;
  guint busWatch_ = 0;
  QString url_;
  std::atomic<bool> network_ = false;  // also read on GStreamer's threads
  GstState current_ = GST_STATE_NULL;
  GstState target_ = GST_STATE_NULL;
  bool buffering_ = false;
  bool opened_ = false;
  bool failed_ = false;
  // The loaded media's own stream has started since it was (re)started: a later start is the
  // queued media's.
  bool streamStarted_ = false;
  std::atomic<int> volume_ = 50;  // also read on GStreamer's threads
  mutable double duration_ = 0;
  mutable gint64 durationAskedUs_ = 0;
  QString title_;
  QString artist_;
  // What QueueNext gave, and what about-to-finish handed to playbin of it, waiting for its
  // start; shared with the streaming thread.
  std::mutex queueLock_;
  QString queued_;
  QString switching_;
};
