#include "menus/frm_browser.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWebEngineView>

#include "platform/app_path.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"

frmBrowser::frmBrowser(const QUrl& start)
    : QWidget(nullptr, Qt::FramelessWindowHint),
      start_(start),
      drag_(this, [this] { emit Say("moved"); }) {
  setObjectName("frmBrowser");
  setWindowTitle(tr("Sonaveil留言簿"));
  setFixedSize(700, 408);
  imgBack = new PictureBox(this);
  imgBack->setObjectName("imgBack");
  // Presses on the frame belong to the window, which moves with them.
  imgBack->setAttribute(Qt::WA_TransparentForMouseEvents);
  Image1 = new PictureBox(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(672, 8, 9, 17);
  Image1->setPixmap(SkinPictures::Builtin("close-1.gif"));
  Image1->setCursor(Qt::PointingHandCursor);
  connect(Image1, &PictureBox::Click, this, &frmBrowser::Image1_Click);
  Form_Load();
}

void frmBrowser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (WB || viewPending_) return;
  // The view is made once the frame is on the screen: starting the engine takes a moment,
  // and the frame need not wait for it.
  viewPending_ = true;
  QTimer::singleShot(0, this, &frmBrowser::MakeView);
}

void frmBrowser::MakeView() {
  WB = new QWebEngineView(this);
  WB->setObjectName("WB");
  WB->setGeometry(3, 32, 694, 369);
  connect(WB, &QWebEngineView::loadFinished, this, [this](bool ok) {
    emit Say(QString("loaded %1 %2").arg(ok ? 1 : 0).arg(WB->url().toString()));
  });
  WB->load(start_);
  WB->show();
}

void frmBrowser::PrepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The engine's sandbox refuses to run as root.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void frmBrowser::Form_Load() {
  const QPixmap icon = SkinPictures::LoadIcon("sonaveil.ico");
  if (!icon.isNull()) setWindowIcon(QIcon(icon));
  Skin::InitBoardSkin(this, imgBack);
}

void frmBrowser::Command(const QString& line) {
  if (line == "show") {
    show();
    raise();
    activateWindow();
  } else if (line == "hide") {
    hide();
  }
}

// The system moves the window for the left button; the others are followed by hand.
void frmBrowser::Form_MouseDown(int Button) { drag_.Press(Button, lastGlobalPos_); }

void frmBrowser::mousePressEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  Form_MouseDown(PictureBox::ButtonCode(event->button()));
}

void frmBrowser::mouseMoveEvent(QMouseEvent* event) {
  drag_.Move(event->globalPosition().toPoint());
}

void frmBrowser::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event->globalPosition().toPoint());
}

void frmBrowser::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), SkinPictures::kColourKey);
}

void frmBrowser::Image1_Click() {
  hide();
  emit Closed();
}
