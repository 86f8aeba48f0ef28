#include "playback/gst_media_player.h"

#include <gst/audio/gstaudiobasesink.h>
#include <gst/audio/streamvolume.h>
#include <gst/base/gstbasesink.h>

#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "playback/legacy_text.h"
#include "state/logging.h"

namespace {

// playbin's flags: audio, video and software volume; no subtitles, no visualisation.
constexpr guint kPlayFlags = 0x1 | 0x2 | 0x10;
constexpr guint kNetworkTimeoutSeconds = 15;
// A known duration is asked for again at most this often (microseconds); the pipeline also
// says when it changes.
constexpr gint64 kDurationRecheckUs = G_USEC_PER_SEC;
// A sound server's sink: a second of sound ahead of the speaker, handed over in fifths.
// The server applies the volume as it mixes, so a longer buffer does not delay a change of
// volume, and the sink wakes five times a second instead of a hundred.
constexpr gint64 kServerBufferUs = 1000000;
constexpr gint64 kServerLatencyUs = 200000;

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

bool IsNetwork(const QString& uri) {
  const QString scheme = QUrl(uri).scheme().toLower();
  return scheme == "http" || scheme == "https";
}

GstElement* MakeAudioSink() {
  const QByteArray description = qgetenv("SONAVEIL_AUDIO_SINK");
  if (!description.isEmpty()) {
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.constData(), TRUE, &error);
    if (bin) return bin;
    qCWarning(lcPlayback, "SONAVEIL_AUDIO_SINK \"%s\" is not usable: %s", description.constData(),
              error ? error->message : "unknown error");
    g_clear_error(&error);
  }
  // Every song reaches the output in one format: a sound server's sink given another one
  // opens a new stream for it, which leaves a gap between songs and starts at full volume.
  GstElement* bin = gst_parse_bin_from_description(
      "audioconvert ! audioresample ! audio/x-raw,format=F32LE,rate=44100,channels=2 ! "
      "autoaudiosink",
      TRUE, nullptr);
  return bin ? bin : gst_element_factory_make("autoaudiosink", "audio-output");
}

// MP3 is decoded by mpg123 rather than libav, whose library brings in every codec and
// filter FFmpeg has (tens of megabytes mapped); libav is loaded only for what needs it (WMA,
// WMV, MPEG video).
void PreferLeanDecoders() {
  GstRegistry* registry = gst_registry_get();
  const struct {
    const char* name;
    guint rank;
  } ranks[] = {{"mpg123audiodec", GST_RANK_PRIMARY},
               {"avdec_mp3", GST_RANK_NONE},
               {"avdec_mp3float", GST_RANK_NONE}};
  for (const auto& [name, rank] : ranks) {
    if (GstPluginFeature* feature = gst_registry_lookup_feature(registry, name)) {
      gst_plugin_feature_set_rank(feature, rank);
      gst_object_unref(feature);
    }
  }
}

// A tag's text. GStreamer reads ID3 text that declares no character set (ID3v1, and ID3v2
// frames marked ISO-8859-1) as UTF-8 when it is valid, else as ISO-8859-1; such text, every
// character within ISO-8859-1, is read again in the fallback code pages. Other formats declare
// their character set and are taken as read.
QString TagText(const GstTagList* tags, const char* tag, bool id3) {
  gchar* value = nullptr;
  QString text;
  if (gst_tag_list_get_string(tags, tag, &value) && value) text = QString::fromUtf8(value);
  g_free(value);
  const bool latin1 =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
  if (id3 && latin1) text = LegacyText::Decode(text.toLatin1(), LegacyText::FallbackEncodings());
  return text;
}

}  // namespace

GstMediaPlayer::GstMediaPlayer(QObject* parent) : MediaPlayer(parent) {}

void GstMediaPlayer::Prepare(const QString& likelyUrl) {
  if (starter_.joinable() || playbin_ || pipelineFailed_) return;
  // A first start builds GStreamer's plugin registry (a third of a second of CPU); the window
  // need not wait for it, nor for the sound server.
  QByteArray uri;
  if (!likelyUrl.isEmpty() && !likelyUrl.contains("://")) {
    openedAhead_ = likelyUrl;
    uri = ToUri(likelyUrl).toUtf8();
  }
  starter_ = std::thread([this, uri] {
    made_ = MakePlaybin();
    if (!made_ || uri.isEmpty()) return;
    g_object_set(made_, "uri", uri.constData(), nullptr);
    // Paused, the sound server's stream waits silent, with the first sound decoded.
    gst_element_set_state(made_, GST_STATE_PAUSED);
  });
}

GstElement* GstMediaPlayer::MakePlaybin() {
  if (!gst_is_initialized()) {
    gst_init(nullptr, nullptr);
    PreferLeanDecoders();
  }
  GstElement* playbin = gst_element_factory_make("playbin", "player");
  if (!playbin) return nullptr;
  GstElement* video = gst_element_factory_make("fakesink", "video-output");
  if (video) g_object_set(video, "sync", TRUE, nullptr);
  g_object_set(playbin, "flags", kPlayFlags, "audio-sink", MakeAudioSink(), "video-sink", video,
               nullptr);
  g_signal_connect(playbin, "element-setup", G_CALLBACK(&GstMediaPlayer::OnElementSetup), this);
  g_signal_connect(playbin, "deep-element-added", G_CALLBACK(&GstMediaPlayer::OnElementAdded),
                   this);
  g_signal_connect(playbin, "source-setup", G_CALLBACK(&GstMediaPlayer::OnSourceSetup), this);
  g_signal_connect(playbin, "about-to-finish", G_CALLBACK(&GstMediaPlayer::OnAboutToFinish), this);
  return playbin;
}

GstElement* GstMediaPlayer::Pipeline() {
  if (playbin_ || pipelineFailed_) return playbin_;
  if (starter_.joinable())
    starter_.join();
  else
    made_ = MakePlaybin();
  playbin_ = std::exchange(made_, nullptr);
  if (!playbin_) {
    pipelineFailed_ = true;
    openedAhead_.clear();
    qCWarning(lcPlayback, "GStreamer's playbin is missing; nothing can be played");
    return nullptr;
  }
  // The bus keeps what the pipeline said meanwhile; it is heard from here on.
  GstBus* bus = gst_element_get_bus(playbin_);
  busWatch_ = gst_bus_add_watch(bus, &GstMediaPlayer::OnBusMessage, this);
  gst_object_unref(bus);
  ApplyVolume();
  return playbin_;
}

GstMediaPlayer::~GstMediaPlayer() {
  if (starter_.joinable()) starter_.join();
  if (made_) {
    gst_element_set_state(made_, GST_STATE_NULL);
    gst_object_unref(made_);
  }
  if (!playbin_) return;
  gst_element_set_state(playbin_, GST_STATE_NULL);
  if (busWatch_) g_source_remove(busWatch_);
  gst_object_unref(playbin_);
}

QString GstMediaPlayer::ToUri(const QString& url) {
  const QUrl parsed(url);
  const QString scheme = parsed.scheme().toLower();
  if (scheme == "mms" || scheme == "mmsh") {
    QUrl http(parsed);
    http.setScheme("http");
    return http.toString(QUrl::FullyEncoded);
  }
  // A single letter before ":" is no scheme worth handing on; treat anything else with "://"
  // as an address.
  if (url.contains("://")) return url;
  return QUrl::fromLocalFile(QFileInfo(url).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

void GstMediaPlayer::setURL(const QString& url) {
  if (!Pipeline()) {
    emit Error();
    return;
  }
  const bool hadMedia = !url_.isEmpty();
  const QString ahead = std::exchange(openedAhead_, QString());
  const bool openedAlready = !ahead.isEmpty() && url == ahead && !hadMedia;
  if (!openedAlready) {
    gst_element_set_state(playbin_, GST_STATE_NULL);
    current_ = GST_STATE_NULL;
    if (!ahead.isEmpty()) {
      // What the unused opening said is not about this media.
      GstBus* bus = gst_element_get_bus(playbin_);
      gst_bus_set_flushing(bus, TRUE);
      gst_bus_set_flushing(bus, FALSE);
      gst_object_unref(bus);
    }
  }
  {
    const std::lock_guard lock(queueLock_);
    queued_.clear();
    switching_.clear();
  }
  url_ = url;
  buffering_ = false;
  opened_ = false;
  failed_ = false;
  streamStarted_ = false;
  ForgetMedia();
  if (hadMedia) emit OpenStateChange(osClosed);
  if (url.isEmpty()) {
    target_ = GST_STATE_NULL;
    return;
  }
  const QString uri = ToUri(url);
  network_ = IsNetwork(uri);
  if (!openedAlready) g_object_set(playbin_, "uri", uri.toUtf8().constData(), nullptr);
  emit OpenStateChange(network_ ? osLocatingServer : osOpening);
  ChangeState(GST_STATE_PLAYING);
}

void GstMediaPlayer::ChangeState(GstState state) {
  target_ = state;
  // While a stream fills its buffer it waits paused; it goes on once the buffer is full.
  const GstState now = (state == GST_STATE_PLAYING && buffering_) ? GST_STATE_PAUSED : state;
  if (gst_element_set_state(playbin_, now) == GST_STATE_CHANGE_FAILURE && !failed_) {
    // The error message that explains it is on its way over the bus.
    qCWarning(lcPlayback, "the player refused to change state for %s", qUtf8Printable(url_));
  }
}

int GstMediaPlayer::playState() const {
  if (url_.isEmpty()) return wmppsUndefined;
  if (failed_) return wmppsReady;
  if (target_ == GST_STATE_READY || target_ == GST_STATE_NULL) return wmppsStopped;
  if (buffering_) return wmppsBuffering;
  if (current_ == GST_STATE_PLAYING && target_ == GST_STATE_PLAYING) return wmppsPlaying;
  if (current_ == GST_STATE_PAUSED && target_ == GST_STATE_PAUSED) return wmppsPaused;
  return wmppsTransitioning;
}

void GstMediaPlayer::DoPlay() {
  if (!playbin_ || url_.isEmpty()) return;
  if (failed_) {
    // Try the same media once more from the start.
    setURL(url_);
    return;
  }
  ChangeState(GST_STATE_PLAYING);
}

void GstMediaPlayer::DoPause() {
  if (!playbin_ || url_.isEmpty() || failed_) return;
  ChangeState(GST_STATE_PAUSED);
}

void GstMediaPlayer::DoStop() {
  if (!playbin_ || url_.isEmpty()) return;
  // READY keeps the media loaded and rewinds it: the next play starts from the beginning.
  ChangeState(GST_STATE_READY);
  current_ = GST_STATE_READY;
  streamStarted_ = false;
  // What was handed over to follow did not start: the loaded media is the one to start again.
  if (!TakeSwitching().isEmpty())
    g_object_set(playbin_, "uri", ToUri(url_).toUtf8().constData(), nullptr);
}

void GstMediaPlayer::QueueNext(const QString& url) {
  const std::lock_guard lock(queueLock_);
  queued_ = url;
}

QString GstMediaPlayer::TakeSwitching() {
  const std::lock_guard lock(queueLock_);
  return std::exchange(switching_, QString());
}

void GstMediaPlayer::ForgetMedia() {
  duration_ = 0;
  durationAskedUs_ = 0;
  title_.clear();
  artist_.clear();
}

void GstMediaPlayer::OnAboutToFinish(GstElement* playbin, gpointer self) {
  auto* player = static_cast<GstMediaPlayer*>(self);
  const std::lock_guard lock(player->queueLock_);
  if (player->queued_.isEmpty() || !player->switching_.isEmpty()) return;
  const QByteArray uri = ToUri(player->queued_).toUtf8();
  // A file that is not there is left to fail where it can be repaired: on its own load.
  if (g_str_has_prefix(uri.constData(), "file:")) {
    gchar* file = g_filename_from_uri(uri.constData(), nullptr, nullptr);
    const bool there = file && g_file_test(file, G_FILE_TEST_IS_REGULAR);
    g_free(file);
    if (!there) return;
  } else if (!IsNetwork(QString::fromUtf8(uri))) {
    return;
  }
  // Set here, while the stream is read to its end, playbin joins the two without a gap.
  g_object_set(playbin, "uri", uri.constData(), nullptr);
  player->switching_ = std::exchange(player->queued_, QString());
}

double GstMediaPlayer::Position() const {
  if (!playbin_ || current_ < GST_STATE_PAUSED) return 0;
  gint64 position = 0;
  if (!gst_element_query_position(playbin_, GST_FORMAT_TIME, &position)) return 0;
  return static_cast<double>(position) / GST_SECOND;
}

void GstMediaPlayer::Seek(double seconds) {
  if (!playbin_ || current_ < GST_STATE_PAUSED) return;
  const gint64 at = static_cast<gint64>(std::max(0.0, seconds) * GST_SECOND);
  gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                          at);
}

double GstMediaPlayer::Duration() const {
  // The query travels up to the file source (which looks at the file each time), and the
  // bars ask many times a second: a known duration is kept until the pipeline says it
  // changed, or for a second.
  const gint64 now = g_get_monotonic_time();
  const bool stale = duration_ <= 0 || now - durationAskedUs_ >= kDurationRecheckUs;
  if (playbin_ && current_ >= GST_STATE_PAUSED && stale) {
    durationAskedUs_ = now;
    gint64 duration = 0;
    if (gst_element_query_duration(playbin_, GST_FORMAT_TIME, &duration) && duration > 0)
      duration_ = static_cast<double>(duration) / GST_SECOND;
  }
  return duration_;
}

void GstMediaPlayer::RefreshDuration() {
  const double before = duration_;
  durationAskedUs_ = 0;
  if (Duration() != before) emit MediaInfoChanged();
}

QString GstMediaPlayer::ItemInfo(const QString& name) const {
  if (name.compare("Title", Qt::CaseInsensitive) == 0) return title_;
  if (name.compare("Author", Qt::CaseInsensitive) == 0) return artist_;
  return QString();
}

void GstMediaPlayer::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  ApplyVolume();
}

void GstMediaPlayer::ApplyVolume() {
  if (!playbin_) return;
  const double cubic = volume_ / 100.0;
  gst_stream_volume_set_volume(GST_STREAM_VOLUME(playbin_), GST_STREAM_VOLUME_FORMAT_CUBIC, cubic);
  // A sound-server sink (pulsesink) keeps the volume itself, and the automatic output makes a
  // new one whenever the pipeline is taken down for the next entry, while playbin may still
  // hold the old one. The sink that plays now gets the volume directly; the ones made later
  // get it as they are added.
  GstElement* output = nullptr;
  g_object_get(playbin_, "audio-sink", &output, nullptr);
  if (!output) return;
  GstElement* sink = nullptr;
  if (GST_IS_BIN(output))
    sink = gst_bin_get_by_interface(GST_BIN(output), GST_TYPE_STREAM_VOLUME);
  else if (GST_IS_STREAM_VOLUME(output))
    sink = GST_ELEMENT(gst_object_ref(output));
  if (sink) {
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(sink), GST_STREAM_VOLUME_FORMAT_CUBIC, cubic);
    gst_object_unref(sink);
  }
  gst_object_unref(output);
}

gboolean GstMediaPlayer::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
  auto* player = static_cast<GstMediaPlayer*>(self);
  player->HandleMessage(message);
  player->NotifyPlayState();
  return G_SOURCE_CONTINUE;
}

void GstMediaPlayer::NotifyPlayState() {
  const int state = playState();
  if (state == reportedState_) return;
  reportedState_ = state;
  emit PlayStateChange(state);
}

void GstMediaPlayer::OnElementSetup(GstElement*, GstElement* element, gpointer) {
  GstElementFactory* factory = gst_element_get_factory(element);
  if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "fluiddec") != 0) return;
  for (const char* font : kSoundFonts) {
    if (QFileInfo::exists(font)) {
      g_object_set(element, "soundfont", font, nullptr);
      return;
    }
  }
}

void GstMediaPlayer::OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self) {
  if (!GST_IS_STREAM_VOLUME(element) || !GST_IS_BASE_SINK(element)) return;
  // A new sound-server sink starts at the volume already chosen, before it makes a sound.
  gst_stream_volume_set_volume(GST_STREAM_VOLUME(element), GST_STREAM_VOLUME_FORMAT_CUBIC,
                               static_cast<GstMediaPlayer*>(self)->volume_ / 100.0);
  // Only a sink that keeps the volume itself gets the long buffer: where the volume is
  // applied in the pipeline, a change would wait for the whole buffer to play out.
  if (GST_IS_AUDIO_BASE_SINK(element))
    g_object_set(element, "buffer-time", kServerBufferUs, "latency-time", kServerLatencyUs,
                 nullptr);
}

void GstMediaPlayer::OnSourceSetup(GstElement*, GstElement* source, gpointer self) {
  auto* player = static_cast<GstMediaPlayer*>(self);
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "timeout"))
    g_object_set(source, "timeout", kNetworkTimeoutSeconds, nullptr);
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "user-agent"))
    g_object_set(source, "user-agent", "Sonaveil/4.0", nullptr);
  // Signals cross to the UI thread by the queued connections of their receivers; this one
  // is posted so that it never runs inside GStreamer's own call.
  if (player->network_)
    QMetaObject::invokeMethod(
        player, [player] { emit player->OpenStateChange(osConnecting); }, Qt::QueuedConnection);
}

void GstMediaPlayer::ReadTags(GstTagList* tags) {
  // The sink posts the tags of the whole stream; an ID3 tag names itself as the container.
  gchar* container = nullptr;
  const bool id3 = gst_tag_list_get_string(tags, GST_TAG_CONTAINER_FORMAT, &container) &&
                   g_str_has_prefix(container, "ID3");
  g_free(container);
  const QString title = TagText(tags, GST_TAG_TITLE, id3);
  const QString artist = TagText(tags, GST_TAG_ARTIST, id3);
  const bool changed =
      (!title.isEmpty() && title != title_) || (!artist.isEmpty() && artist != artist_);
  if (!title.isEmpty()) title_ = title;
  if (!artist.isEmpty()) artist_ = artist;
  if (changed) emit MediaInfoChanged();
}

void GstMediaPlayer::HandleMessage(GstMessage* message) {
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STATE_CHANGED: {
      if (GST_MESSAGE_SRC(message) != GST_OBJECT(playbin_)) break;
      GstState old_state, new_state, pending;
      gst_message_parse_state_changed(message, &old_state, &new_state, &pending);
      current_ = new_state;
      break;
    }
    case GST_MESSAGE_STREAM_START:
      HandleStreamStart();
      break;
    case GST_MESSAGE_ASYNC_DONE:
      if (!opened_) {
        opened_ = true;
        RefreshDuration();
        emit OpenStateChange(osOpen);
      }
      break;
    case GST_MESSAGE_DURATION_CHANGED:
      RefreshDuration();
      break;
    case GST_MESSAGE_TAG: {
      GstTagList* tags = nullptr;
      gst_message_parse_tag(message, &tags);
      ReadTags(tags);
      gst_tag_list_unref(tags);
      break;
    }
    case GST_MESSAGE_BUFFERING:
      HandleBuffering(message);
      break;
    case GST_MESSAGE_EOS:
      HandleEndOfStream();
      break;
    case GST_MESSAGE_ERROR:
      HandleError(message);
      break;
    default:
      break;
  }
}

void GstMediaPlayer::HandleStreamStart() {
  // A short file is read to its end, and the next one handed over, before its own start is
  // heard of here.
  if (!std::exchange(streamStarted_, true)) {
    if (network_ && !opened_) emit OpenStateChange(osOpening);
    return;
  }
  const QString next = TakeSwitching();
  if (next.isEmpty()) return;
  // The queued media plays now, where the one before ended.
  StartQueued(next);
  emit MediaInfoChanged();
}

void GstMediaPlayer::StartQueued(const QString& url) {
  url_ = url;
  network_ = IsNetwork(ToUri(url));
  ForgetMedia();
  emit QueuedMediaStarted(url);
}

void GstMediaPlayer::HandleBuffering(GstMessage* message) {
  gint percent = 100;
  gst_message_parse_buffering(message, &percent);
  if (percent < 100 && !buffering_) {
    buffering_ = true;
    if (target_ == GST_STATE_PLAYING) gst_element_set_state(playbin_, GST_STATE_PAUSED);
    emit Buffering(true);
  } else if (percent >= 100 && buffering_) {
    buffering_ = false;
    if (target_ == GST_STATE_PLAYING) gst_element_set_state(playbin_, GST_STATE_PLAYING);
    emit Buffering(false);
  }
}

void GstMediaPlayer::HandleEndOfStream() {
  // Played to the end: stopped, with the media still loaded.
  ChangeState(GST_STATE_READY);
  current_ = GST_STATE_READY;
  streamStarted_ = false;
  TakeSwitching();
  NotifyPlayState();
  emit MediaEnded();
}

void GstMediaPlayer::HandleError(GstMessage* message) {
  GError* error = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(message, &error, &debug);
  // Media handed over to follow, and not started, is what failed to open.
  const QString next = TakeSwitching();
  qCWarning(lcPlayback, "cannot play %s: %s", qUtf8Printable(next.isEmpty() ? url_ : next),
            error ? error->message : "unknown error");
  g_clear_error(&error);
  g_free(debug);
  if (failed_) return;  // one report per load
  if (!next.isEmpty()) StartQueued(next);
  failed_ = true;
  buffering_ = false;
  streamStarted_ = false;
  gst_element_set_state(playbin_, GST_STATE_NULL);
  current_ = GST_STATE_NULL;
  emit Error();
}
