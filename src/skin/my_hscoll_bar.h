#pragma once

#include <QWidget>

// The horizontal slider of the skinned window: a track with a thumb. Position runs from 0 to
// Lenth; Lenth is in twips (15 per pixel).
class MyHScollBar : public QWidget {
  Q_OBJECT

 public:
  explicit MyHScollBar(QWidget* parent = nullptr);

  long Position() const { return position_; }
  void SetPosition(long value);
  long Lenth() const { return lenth_; }
  void SetLenth(long value);

 signals:
  void OnScroll();
  void MouseDown(int button, int shift, int x, int y);
  void MouseUp(int button, int shift, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  long position_ = 0;
  long lenth_ = 0;
};
