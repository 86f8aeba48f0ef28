#pragma once

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <optional>

// The skinned horizontal slider: two end caps, a track and a thumb the user drags with the
// left button. Lengths are twips, 15 to a pixel. Position is the thumb's offset from the
// track's start; Lenth is the thumb's whole travel, set by each layout.
class MyHScollBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTwipsPerPixel = 15;

  explicit MyHScollBar(QWidget* parent = nullptr);

  int32_t Position() const { return positionValue_; }
  // Moves the thumb to the track's start plus value (rounded, halves to even). The value is
  // not limited to the track, and no event follows.
  void SetPosition(double value);

  // Empty until the first layout.
  std::optional<float> Lenth() const {
    EnsureLaidOut();
    return lenthValue_;
  }
  // Kept until the next layout overwrites it.
  void SetLenth(float value) { lenthValue_ = value; }

  // The thumb's left edge in twips, from the control's left.
  int ThumbLeft() const {
    EnsureLaidOut();
    return thumbLeft_;
  }
  bool Dragging() const { return dragging_; }

  // What the bar stands for to its user: 0..maximum in steps of step (a volume, a song's
  // seconds). The keyboard and assistive technology move it by these; the thumb's place
  // shows value / maximum of its travel.
  void SetValueRange(double maximum, double step);
  double ValueMaximum() const { return valueMaximum_; }
  double ValueStep() const { return valueStep_; }
  double Value() const;
  // Moves the thumb to value as a user's drag would: MouseDown, OnScroll, MouseUp.
  void MoveByUser(double value);

 signals:
  void OnScroll();
  void MouseDown();
  void MouseUp();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Left and right (and Home, End, Page Up, Page Down) move it by its steps.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Thumb;
  void Layout();
  // A hidden control gets no resize events: lay out on first use after a size change.
  void EnsureLaidOut() const;
  void PlaceThumb();
  void ThumbPressed(Qt::MouseButton button, double x);
  void ThumbMoved(double x);
  void ThumbReleased();
  int TrackLeft() const;
  int TrackWidth() const;
  int ThumbWidth() const;

  QLabel* Image1;  // left cap
  QLabel* Image2;  // track
  QLabel* Image3;  // right cap
  Thumb* Scroll;

  int32_t positionValue_ = 0;
  std::optional<float> lenthValue_;
  bool dragging_ = false;
  int16_t grabX_ = 0;
  int thumbLeft_ = 600;  // the design place, until Position is first set
  QSize laidOutSize_;
  double valueMaximum_ = 100;
  double valueStep_ = 5;
};
