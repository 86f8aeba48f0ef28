#include "skin/accessible.h"

#include <QAccessibleWidget>

#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"

namespace {

// A picture or a label: its accessible name, else its text, else its tip. A pressable one is
// a button whose press is its click.
class PictureBoxAccessible : public QAccessibleWidget {
 public:
  explicit PictureBoxAccessible(PictureBox* box) : QAccessibleWidget(box) {}

  // Asked each time: a label may be made pressable after it was first seen.
  QAccessible::Role role() const override {
    return Box()->Pressable() ? QAccessible::Button : QAccessible::StaticText;
  }

  QString text(QAccessible::Text kind) const override {
    const PictureBox* box = Box();
    const QString shown = QString(box->text()).replace('\n', ' ');
    if (kind == QAccessible::Name) {
      if (!box->accessibleName().isEmpty()) return box->accessibleName();
      return shown.isEmpty() ? box->toolTip() : shown;
    }
    // A named label says what it shows as its value.
    if (kind == QAccessible::Value && !box->accessibleName().isEmpty()) return shown;
    return QAccessibleWidget::text(kind);
  }

  QStringList actionNames() const override {
    return Box()->Pressable() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
  }

  void doAction(const QString& action) override {
    if (action == pressAction() && Box()->Pressable())
      emit Box()->Click();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  PictureBox* Box() const { return static_cast<PictureBox*>(widget()); }
};

// The skinned slider, with its value in the units it stands for.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit SliderAccessible(MyHScollBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}

  // Its caps, track and thumb are its picture, not controls of their own.
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return QString::number(qRound(Bar()->Value()));
    return QAccessibleWidget::text(kind);
  }

  QVariant currentValue() const override { return Bar()->Value(); }
  void setCurrentValue(const QVariant& value) override { Bar()->MoveByUser(value.toDouble()); }
  QVariant maximumValue() const override { return Bar()->ValueMaximum(); }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return Bar()->ValueStep(); }

 private:
  MyHScollBar* Bar() const { return static_cast<MyHScollBar*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("PictureBox"))
    return new PictureBoxAccessible(static_cast<PictureBox*>(object));
  if (className == QLatin1String("MyHScollBar"))
    return new SliderAccessible(static_cast<MyHScollBar*>(object));
  return nullptr;
}

}  // namespace

namespace SkinAccessibility {

void Install() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace SkinAccessibility
