#include "menus/frm_browser.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QUrl>
#include <QWebEngineView>

#include "menus/frm_menu.h"
#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "skin/panels.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"

namespace {

QPointer<frmBrowser>& TheWindow() {
  static QPointer<frmBrowser> window;
  return window;
}

// Goes once the event that asked for it is over: the close mark unloads its own window.
void UnloadLater(frmBrowser* window) {
  TheWindow() = nullptr;
  window->hide();
  window->deleteLater();
}

}  // namespace

frmBrowser::frmBrowser() : QWidget(nullptr, Qt::FramelessWindowHint) {
  setObjectName("frmBrowser");
  setWindowTitle("Sonaveil留言簿");
  setFixedSize(700, 408);
  imgBack = new PictureBox(this);
  imgBack->setObjectName("imgBack");
  imgBack->SetPicture(SkinPictures::Load("board.gif"));
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

frmBrowser* frmBrowser::Instance() {
  if (!TheWindow()) TheWindow() = new frmBrowser;
  return TheWindow();
}

void frmBrowser::Unload() {
  if (TheWindow()) delete TheWindow();
}

void frmBrowser::PrepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The engine's sandbox refuses to run as root.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

QString frmBrowser::BoardUrl() { return JoinUrl(Endpoints().messageBoardHost, "/note/"); }

void frmBrowser::Form_Load() {
  const QIcon icon(AppPath() + "/skin/sonaveil.ico");
  if (!icon.isNull()) setWindowIcon(icon);
  Skin::InitSkin(this);
}

void frmBrowser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (WB) return;
  WB = new QWebEngineView(this);
  WB->setObjectName("WB");
  WB->setGeometry(3, 32, 694, 369);
  WB->load(QUrl(BoardUrl()));
  WB->show();
}

void frmBrowser::Form_MouseDown(int Button) {
  // The system moves the window for the left button; the right one is followed by hand.
  if (Button == 1 && Skin::StartWindowDrag(this)) return;
  manualDrag_ = true;
  dragOffset_ = lastGlobalPos_ - pos();
}

void frmBrowser::mousePressEvent(QMouseEvent* event) {
  lastGlobalPos_ = event->globalPosition().toPoint();
  Form_MouseDown(PictureBox::ButtonCode(event->button()));
}

void frmBrowser::mouseMoveEvent(QMouseEvent* event) {
  if (manualDrag_) move(event->globalPosition().toPoint() - dragOffset_);
}

void frmBrowser::mouseReleaseEvent(QMouseEvent* event) {
  if (!manualDrag_) return;
  move(event->globalPosition().toPoint() - dragOffset_);
  manualDrag_ = false;
  Skin::ShowCatalogControls(1);
  Skin::ShowCatalogControls(0);
}

void frmBrowser::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), SkinPictures::kColourKey);
}

void frmBrowser::Image1_Click() {
  UnloadLater(this);
  frmMenu::Instance()->SetBoardCaption(frmMenu::kOpenBoard);
}
