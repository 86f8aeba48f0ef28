#include "skin/my_hscoll_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "skin/skin_pictures.h"

namespace {

template <typename T>
T RoundHalfEven(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (rounded > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  return static_cast<T>(rounded);
}

int ToPixels(int twips) { return RoundHalfEven<int>(twips / double(MyHScollBar::kTwipsPerPixel)); }

}  // namespace

// The thumb keeps the mouse while a button is held, so moves and the release reach it
// wherever the pointer goes.
class MyHScollBar::Thumb : public QLabel {
 public:
  Thumb(MyHScollBar* bar) : QLabel(bar), bar_(bar) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    bar_->ThumbPressed(event->button(), event->position().x() * kTwipsPerPixel);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    bar_->ThumbMoved(event->position().x() * kTwipsPerPixel);
  }
  void mouseReleaseEvent(QMouseEvent*) override { bar_->ThumbReleased(); }

 private:
  MyHScollBar* bar_;
};

MyHScollBar::MyHScollBar(QWidget* parent)
    : QWidget(parent),
      Image1(new QLabel(this)),
      Image2(new QLabel(this)),
      Image3(new QLabel(this)),
      Scroll(new Thumb(this)) {
  Image1->setPixmap(SkinPictures::Builtin("slider-left.gif"));
  Image2->setPixmap(SkinPictures::Builtin("slider-track.gif"));
  Image2->setScaledContents(true);
  Image3->setPixmap(SkinPictures::Builtin("slider-right.gif"));
  Scroll->setPixmap(SkinPictures::Builtin("slider-thumb.gif"));
  for (QLabel* part : {Image1, Image2, Image3, static_cast<QLabel*>(Scroll)}) {
    part->resize(part->pixmap().size());
    // Only the thumb takes the mouse; a press on the track belongs to nobody.
    if (part != Scroll) part->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  Scroll->raise();
  setFocusPolicy(Qt::StrongFocus);
  Layout();
}

int MyHScollBar::TrackLeft() const { return Image1->width() * kTwipsPerPixel; }
int MyHScollBar::TrackWidth() const { return Image2->width() * kTwipsPerPixel; }
int MyHScollBar::ThumbWidth() const { return Scroll->width() * kTwipsPerPixel; }

void MyHScollBar::resizeEvent(QResizeEvent*) { Layout(); }

void MyHScollBar::EnsureLaidOut() const {
  if (size() != laidOutSize_) const_cast<MyHScollBar*>(this)->Layout();
}

void MyHScollBar::Layout() {
  const int capHeight = Image1->height();
  if (height() != capHeight) resize(width(), capHeight);
  laidOutSize_ = size();
  Image1->move(0, 0);
  Image3->move(width() - Image3->width(), 0);
  Image2->setGeometry(Image1->width(), 0, std::max(0, width() - 2 * Image3->width()), capHeight);
  PlaceThumb();
  const int rightCapLeft = Image3->x() * kTwipsPerPixel;
  lenthValue_ = static_cast<float>(rightCapLeft - TrackLeft() - ThumbWidth());
}

void MyHScollBar::PlaceThumb() { Scroll->move(ToPixels(thumbLeft_), 0); }

void MyHScollBar::SetPosition(double value) {
  EnsureLaidOut();
  positionValue_ = RoundHalfEven<int32_t>(value);
  thumbLeft_ = TrackLeft() + positionValue_;
  PlaceThumb();
}

void MyHScollBar::ThumbPressed(Qt::MouseButton button, double x) {
  if (button != Qt::LeftButton) return;
  // The drag starts from where the thumb is seen, a whole pixel, so that pixel steps of the
  // pointer can reach both ends of the track exactly.
  thumbLeft_ = Scroll->x() * kTwipsPerPixel;
  dragging_ = true;
  grabX_ = RoundHalfEven<int16_t>(x);
  emit MouseDown();
}

void MyHScollBar::ThumbMoved(double x) {
  if (!dragging_) return;
  EnsureLaidOut();
  const int16_t next = RoundHalfEven<int16_t>(thumbLeft_ - grabX_ + x);
  // Past either end the thumb stays where it last was.
  if (next >= TrackLeft() && next <= TrackLeft() + TrackWidth() - ThumbWidth()) {
    thumbLeft_ = next;
    PlaceThumb();
  }
  positionValue_ = thumbLeft_ - TrackLeft();
  emit OnScroll();
}

void MyHScollBar::ThumbReleased() {
  dragging_ = false;
  emit MouseUp();
}

void MyHScollBar::SetValueRange(double maximum, double step) {
  valueMaximum_ = std::max(0.0, maximum);
  valueStep_ = step;
}

double MyHScollBar::Value() const {
  const float travel = Lenth().value_or(0);
  if (travel <= 0 || valueMaximum_ <= 0) return 0;
  return std::clamp(Position() / double(travel), 0.0, 1.0) * valueMaximum_;
}

void MyHScollBar::MoveByUser(double value) {
  const float travel = Lenth().value_or(0);
  if (travel <= 0 || valueMaximum_ <= 0) return;
  emit MouseDown();
  SetPosition(std::clamp(value, 0.0, valueMaximum_) / valueMaximum_ * travel);
  emit OnScroll();
  emit MouseUp();
}

void MyHScollBar::keyPressEvent(QKeyEvent* event) {
  const double value = Value();
  switch (event->key()) {
    case Qt::Key_Left:
      MoveByUser(value - valueStep_);
      break;
    case Qt::Key_Right:
      MoveByUser(value + valueStep_);
      break;
    case Qt::Key_PageDown:
      MoveByUser(value - 10 * valueStep_);
      break;
    case Qt::Key_PageUp:
      MoveByUser(value + 10 * valueStep_);
      break;
    case Qt::Key_Home:
      MoveByUser(0);
      break;
    case Qt::Key_End:
      MoveByUser(valueMaximum_);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}
