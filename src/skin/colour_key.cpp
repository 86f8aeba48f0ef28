#include "skin/colour_key.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "skin/picture_box.h"
#include "skin/skin_pictures.h"

namespace ColourKey {

namespace {

constexpr char kAppliedProperty[] = "sonaveilColourKey";

// Watches the window's controls and reshapes the window, once per turn of the event loop,
// whenever one is shown, hidden, moved or resized.
class ShapeWatcher : public QObject {
 public:
  explicit ShapeWatcher(QWidget* frm) : QObject(frm), frm_(frm) {
    frm->installEventFilter(this);
    for (QObject* child : frm->children())
      if (child->isWidgetType()) child->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ChildAdded:
        if (watched == frm_) {
          QObject* child = static_cast<QChildEvent*>(event)->child();
          if (child->isWidgetType()) child->installEventFilter(this);
        }
        break;
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::Move:
      case QEvent::Resize:
        if (watched != frm_ || event->type() == QEvent::Show) Schedule();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Schedule() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
      pending_ = false;
      if (frm_) UpdateShape(frm_);
    });
  }

  QPointer<QWidget> frm_;
  bool pending_ = false;
};

}  // namespace

void Apply(QWidget* frm) {
  if (IsApplied(frm)) return;
  frm->setProperty(kAppliedProperty, true);
  new ShapeWatcher(frm);
  UpdateShape(frm);
}

bool IsApplied(const QWidget* frm) { return frm->property(kAppliedProperty).toBool(); }

void UpdateShape(QWidget* frm) {
  if (!IsApplied(frm)) return;
  QRegion shape;
  for (QObject* child : frm->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget->isHidden() || widget->isWindow() || widget->size().isEmpty()) continue;
    auto* picture = qobject_cast<PictureBox*>(widget);
    if (picture && !picture->pixmap().isNull())
      shape += SkinPictures::Opaque(picture->pixmap()).translated(widget->pos()) &
               QRegion(widget->geometry());
    else if (picture && picture->text().isEmpty())
      continue;  // an empty picture shows nothing
    else
      shape += widget->geometry();
  }
  // An empty mask would mean "no mask" and show the whole window: keep one pixel instead.
  if (shape.isEmpty()) shape = QRegion(0, 0, 1, 1);
  frm->setMask(shape);
}

}  // namespace ColourKey
