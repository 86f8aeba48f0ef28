#include "skin/face_controls.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "skin/accessible.h"
#include "skin/geometry.h"
#include "skin/my_hscoll_bar.h"
#include "skin/picture_box.h"
#include "skin/skin_button.h"
#include "skin/skin_pictures.h"

namespace Skin {

namespace {

using namespace SkinGeometry;
using K = ControlKind;

// Texts drawn on the skin: dark on its light panels, light on its dark face.
const QColor kInk(29, 34, 64);
const QColor kFaceText(178, 186, 216);
// What has the keyboard's focus is marked in this colour.
const QColor kFocusMark(63, 208, 201);

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

void SetBackColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QFont PixelFont(int pixels, bool bold = false) {
  QFont font = QApplication::font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// The buttons' tips, translated where shown (in the main window's context).
const char* const kControlTips[6] = {
    QT_TRANSLATE_NOOP("frmmain", "前一首"), QT_TRANSLATE_NOOP("frmmain", "播放"),
    QT_TRANSLATE_NOOP("frmmain", "暂停"),   QT_TRANSLATE_NOOP("frmmain", "停止"),
    QT_TRANSLATE_NOOP("frmmain", "后一首"), QT_TRANSLATE_NOOP("frmmain", "打开本地文件")};
const char* const kTopTips[6] = {QT_TRANSLATE_NOOP("frmmain", "帮助"),
                                 QT_TRANSLATE_NOOP("frmmain", "升级"),
                                 QT_TRANSLATE_NOOP("frmmain", "查询网络文件"),
                                 QT_TRANSLATE_NOOP("frmmain", "展开\\关闭播放列表"),
                                 QT_TRANSLATE_NOOP("frmmain", "最小化"),
                                 QT_TRANSLATE_NOOP("frmmain", "关闭")};

// Captions and accessible names of the face, translated where shown.
const char* const kPlaylistPanel = QT_TRANSLATE_NOOP("frmmain", "播放列表面板");
const char* const kPlayerPanel = QT_TRANSLATE_NOOP("frmmain", "播放器面板");
const char* const kCatalogPanel = QT_TRANSLATE_NOOP("frmmain", "歌曲库面板");
const char* const kPlaylist = QT_TRANSLATE_NOOP("frmmain", "播放列表");
const char* const kWelcome =
    QT_TRANSLATE_NOOP("frmmain", "欢迎您使用Sonaveil v4.0系列，我们力求为您提供优良的免费服务");
const char* const kLyricCaption = QT_TRANSLATE_NOOP("frmmain", "歌词：\r\n");
const char* const kLyrics = QT_TRANSLATE_NOOP("frmmain", "歌词");
const char* const kOnlineCount = QT_TRANSLATE_NOOP("frmmain", "在线人数： 人");
const char* const kPosition = QT_TRANSLATE_NOOP("frmmain", "播放位置");
const char* const kVolume = QT_TRANSLATE_NOOP("frmmain", "音量");
const char* const kSingerType = QT_TRANSLATE_NOOP("frmmain", "华语男歌手");
const char* const kSingers = QT_TRANSLATE_NOOP("frmmain", "歌手");
const char* const kAlbums = QT_TRANSLATE_NOOP("frmmain", "专辑");
const char* const kSongs = QT_TRANSLATE_NOOP("frmmain", "歌曲");
const char* const kSearchSongs = QT_TRANSLATE_NOOP("frmmain", "搜索歌曲");
const char* const kSearch = QT_TRANSLATE_NOOP("frmmain", "搜索");
const char* const kSearchResults = QT_TRANSLATE_NOOP("frmmain", "搜索结果");
const char* const kAddLeft = QT_TRANSLATE_NOOP("frmmain", "←添加到列表");
const char* const kAddUp = QT_TRANSLATE_NOOP("frmmain", "↑添加到列表");
const char* const kCloseCatalog = QT_TRANSLATE_NOOP("frmmain", "关闭歌曲库");

std::vector<ControlRow> MakeLayout() {
  std::vector<ControlRow> rows = {
      {"List", -1, K::kPicture, {0, kPanelOpenTop, kFaceWidth, kPanelHeight}, "", kPlaylistPanel},
      {"Main", -1, K::kPicture, {0, 0, kFaceWidth, kFaceHeight}, "", kPlayerPanel},
      {"imgSearch", -1, K::kPicture, {242, 0, 673, 321}, "", kCatalogPanel},
      {"List1", -1, K::kList, {8, 328, 225, 119}, "", kPlaylist},
  };
  for (int i = 0; i < 6; ++i)
    rows.push_back(
        {"ControlButton",
         i,
         K::kControlButton,
         {kControlLeft[i], kPanelOpenTop + kControlsBelowPanelTop, kControlSize, kControlSize},
         kControlTips[i]});
  for (int i = 0; i < 6; ++i)
    rows.push_back({"imgTopButton",
                    i,
                    K::kTopButton,
                    {kTopLeft[i], kTopButtonTop, kTopWidth[i], kTopButtonHeight},
                    kTopTips[i]});
  rows.insert(rows.end(),
              {
                  {"Label1", -1, K::kText, {32, 48, 177, 53}, kWelcome},
                  {"Text2", -1, K::kLyricBox, {32, 128, 177, 121}, kLyricCaption, kLyrics},
                  {"lbCount", -1, K::kText, {152, 296, 75, 13}, kOnlineCount},
                  {"PosScroll", -1, K::kBar, {32, 280, 185, 7}, kPosition},
                  {"VolScroll", -1, K::kBar, {32, 304, 105, 7}, kVolume},
                  {"Label3", -1, K::kText, {8, 280, 22, 9}, "POS"},
                  {"Label2", -1, K::kText, {8, 304, 22, 9}, "VOL"},
              });
  static constexpr int kTypeLeft[10] = {264, 352, 440, 528, 616, 264, 616, 352, 440, 528};
  for (int i = 0; i < 10; ++i)
    rows.push_back(
        {"lbSingerType", i, K::kLabel, {kTypeLeft[i], i < 5 ? 32 : 48, 60, 13}, kSingerType});
  for (int i = 0; i < 26; ++i)
    rows.push_back({"lbLetter", i, K::kLabel, {264 + 16 * i, 64, 7, 13}, "A"});
  rows.insert(rows.end(), {
                              {"lstSinger", -1, K::kList, {252, 110, 145, 197}, "", kSingers},
                              {"lstSpecial", -1, K::kList, {408, 110, 145, 197}, "", kAlbums},
                              {"lstSong", -1, K::kList, {560, 110, 145, 197}, "", kSongs},
                              {"Text1", -1, K::kSearchBox, {715, 60, 113, 19}, "", kSearchSongs},
                              {"Go", -1, K::kPushButton, {848, 56, 49, 25}, kSearch},
                              {"lstSearch", -1, K::kList, {713, 107, 194, 171}, "", kSearchResults},
                              {"cmdAdd", 0, K::kPushButton, {714, 278, 97, 30}, kAddLeft},
                              {"cmdAdd", 1, K::kPushButton, {811, 278, 96, 30}, kAddUp},
                              {"Image1", -1, K::kPicture, {899, 8, 9, 17}, "", kCloseCatalog},
                              {"Picture1", -1, K::kPicture, {0, 0, 32, 32}, ""},
                          });
  return rows;
}

QWidget* Make(const ControlRow& row, QWidget* window) {
  switch (row.kind) {
    case K::kPicture:
    case K::kText:
    case K::kLabel:
      return new PictureBox(window);
    case K::kControlButton:
      return new SkinButton(row.index + 1, window);
    case K::kTopButton:
      return new SkinButton(row.index + 7, window);
    case K::kBar:
      return new MyHScollBar(window);
    case K::kList:
      return new QListWidget(window);
    case K::kSearchBox:
      return new QLineEdit(window);
    case K::kPushButton:
      return new QPushButton(window);
    case K::kLyricBox:
      return new QPlainTextEdit(window);
  }
  return nullptr;
}

void Caption(QWidget* control, const ControlRow& row) {
  // A caption with no translation stays as it is.
  const QString caption = QCoreApplication::translate("frmmain", row.caption);
  switch (row.kind) {
    case K::kText:
    case K::kLabel:
      static_cast<PictureBox*>(control)->setText(caption);
      break;
    case K::kPushButton:
      static_cast<QPushButton*>(control)->setText(caption);
      break;
    case K::kLyricBox:
      static_cast<QPlainTextEdit*>(control)->setPlainText(caption);
      break;
    case K::kControlButton:
    case K::kTopButton:
    case K::kBar:
      control->setToolTip(caption);
      control->setAccessibleName(caption);
      break;
    default:
      break;
  }
  if (row.accessibleName)
    control->setAccessibleName(QCoreApplication::translate("frmmain", row.accessibleName));
}

// Fonts, colours and what starts hidden.
void Style(const FaceControls& c) {
  SetTextColour(c.Label1, kInk);
  // Four lines of now-playing text in 53 pixels.
  c.Label1->SetLinePitch(13);
  c.lbCount->setFont(PixelFont(11));
  SetTextColour(c.lbCount, kFaceText);
  for (PictureBox* label : {c.Label2, c.Label3}) {
    label->setFont(PixelFont(8, true));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColour(label, kFaceText);
  }
  SetBackColour(c.List1, QColor(204, 204, 204));
  SetBackColour(c.Text2, QColor(200, 220, 254));
  c.Text2->setReadOnly(true);
  c.Text2->setFrameShape(QFrame::NoFrame);
  c.Text2->setFocusPolicy(Qt::ClickFocus);
  for (PictureBox* label : c.lbLetter) {
    label->setFont(PixelFont(10, true));
    label->setAlignment(Qt::AlignCenter);
  }
  for (PictureBox* label : c.lbSingerType) label->setFont(PixelFont(12));
  // Labels that act on a click are buttons to assistive technology.
  const auto clickable = [](PictureBox* label) {
    label->SetPressable(true);
    label->setCursor(Qt::PointingHandCursor);
    SetTextColour(label, QApplication::palette().color(QPalette::ButtonText));
    label->hide();
  };
  for (PictureBox* label : c.lbSingerType) clickable(label);
  for (PictureBox* label : c.lbLetter) clickable(label);
  c.Image1->SetPressable(true);
  c.Image1->setPixmap(SkinPictures::Builtin("close-1.gif"));
  for (QWidget* w : std::initializer_list<QWidget*>{c.imgSearch, c.List1, c.lstSinger, c.lstSpecial,
                                                    c.lstSong, c.Text1, c.Go, c.lstSearch,
                                                    c.cmdAdd[0], c.cmdAdd[1], c.Image1, c.Picture1})
    w->hide();
  c.window->setStyleSheet(QString("QListWidget:focus, QLineEdit:focus { border: 2px solid %1; }")
                              .arg(kFocusMark.name()));
}

}  // namespace

QString ControlRow::ObjectName() const {
  return index < 0 ? QString(name) : QString("%1(%2)").arg(name).arg(index);
}

const std::vector<ControlRow>& FaceLayout() {
  static const std::vector<ControlRow> layout = MakeLayout();
  return layout;
}

FaceControls MakeFaceControls(QWidget* window) {
  // Before any control is made: assistive technology meets each one as what it is.
  SkinAccessibility::Install();
  window->setFont(PixelFont(12));
  for (const ControlRow& row : FaceLayout()) {
    QWidget* control = Make(row, window);
    control->setObjectName(row.ObjectName());
    control->setGeometry(row.rect);
    Caption(control, row);
  }
  const FaceControls controls = FindFaceControls(window);
  Style(controls);
  return controls;
}

FaceControls FindFaceControls(QWidget* window) {
  FaceControls c{.window = window};
  const auto find = [window]<typename T>(T*& slot, const char* name, int index = -1) {
    const QString objectName = ControlRow{name, index}.ObjectName();
    slot = window->findChild<T*>(objectName, Qt::FindDirectChildrenOnly);
  };
  find(c.Main, "Main");
  find(c.List, "List");
  find(c.imgSearch, "imgSearch");
  find(c.Image1, "Image1");
  find(c.Picture1, "Picture1");
  find(c.Label1, "Label1");
  find(c.lbCount, "lbCount");
  find(c.Label2, "Label2");
  find(c.Label3, "Label3");
  find(c.PosScroll, "PosScroll");
  find(c.VolScroll, "VolScroll");
  find(c.Text2, "Text2");
  find(c.List1, "List1");
  find(c.lstSinger, "lstSinger");
  find(c.lstSpecial, "lstSpecial");
  find(c.lstSong, "lstSong");
  find(c.lstSearch, "lstSearch");
  find(c.Text1, "Text1");
  find(c.Go, "Go");
  for (int i = 0; i < 6; ++i) {
    find(c.ControlButton[i], "ControlButton", i);
    find(c.imgTopButton[i], "imgTopButton", i);
  }
  for (int i = 0; i < 10; ++i) find(c.lbSingerType[i], "lbSingerType", i);
  for (int i = 0; i < 26; ++i) find(c.lbLetter[i], "lbLetter", i);
  for (int i = 0; i < 2; ++i) find(c.cmdAdd[i], "cmdAdd", i);
  return c;
}

void MarkFocusedBar(const FaceControls& face, const QWidget* now) {
  for (auto [bar, label] :
       {std::pair{face.PosScroll, face.Label3}, std::pair{face.VolScroll, face.Label2}}) {
    SetTextColour(label, now == bar ? kFocusMark : kFaceText);
    label->setFont(PixelFont(8, true));
  }
}

}  // namespace Skin
