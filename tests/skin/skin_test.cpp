#include "skin/skin.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>

#include "catalog/catalog_fixture.h"
#include "catalog/data.h"
#include "skin/colour_key.h"
#include "skin/picture_box.h"
#include "skin/skin_button.h"
#include "skin/skin_pictures.h"
#include "state/shared_state.h"
#include "support/test_env.h"

namespace {

const QString kSkinSource = QString(SONAVEIL_SOURCE_DIR) + "/assets/skin/";

// The main window's controls in an application folder that holds our skin.
class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    SkinPictures::Clear();
    for (const QString& name : QDir(kSkinSource).entryList({"*.gif", "*.ico"}))
      QFile::copy(kSkinSource + name, folder.File("skin/" + name));
  }
  void TearDown() override {
    window.reset();
    SkinPictures::Clear();
    ResetSharedState();
  }
  // The window's controls as the face's layout makes them, without the window.
  void MakeWindow() {
    window = std::make_unique<QWidget>();
    window->resize(917, 569);
    ui = Skin::MakeFaceControls(window.get());
    face = std::make_unique<Skin::Face>(ui);
  }

  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<QWidget> window;
  Skin::FaceControls ui;
  std::unique_ptr<Skin::Face> face;
};

TEST_F(SkinTest, InitSkinLoadsPicturesLaysOutButtonsAndClosesThePanel) {
  MakeWindow();
  ui.List1->show();
  face->InitSkin();
  EXPECT_TRUE(boxes.Boxes().isEmpty()) << boxes.Texts().join(",").toStdString();
  EXPECT_EQ(ui.Main->geometry(), QRect(0, 0, 242, 322));
  EXPECT_EQ(ui.List->geometry(), QRect(0, 186, 242, 174));
  EXPECT_EQ(ui.imgSearch->size(), QSize(673, 321));
  const int lefts[6] = {52, 75, 98, 121, 145, 168};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(ui.ControlButton[i]->geometry(), QRect(lefts[i], 335, 22, 22)) << i;
    EXPECT_FALSE(ui.ControlButton[i]->pixmap().isNull());
  }
  const QRect tops[6] = {{13, 7, 9, 17},  {150, 7, 15, 17}, {170, 7, 17, 17},
                         {191, 7, 9, 17}, {206, 7, 10, 17}, {223, 7, 9, 17}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ui.imgTopButton[i]->geometry(), tops[i]) << i;
  EXPECT_TRUE(ui.List1->isHidden());
  EXPECT_TRUE(ColourKey::IsApplied(window.get()));

  // The shape leaves out the face's red corner and keeps its body.
  ColourKey::UpdateShape(window.get());
  EXPECT_FALSE(window->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(window->mask().contains(QPoint(120, 150)));
  EXPECT_FALSE(window->mask().contains(QPoint(500, 150)));  // the hidden catalog panel
  EXPECT_TRUE(window->mask().contains(QPoint(100, 345)));   // the control strip under the face
}

TEST_F(SkinTest, MissingPanelPictureStopsTheSkinStep) {
  QFile::remove(folder.File("skin/List.gif"));
  MakeWindow();
  face->InitSkin();
  EXPECT_EQ(boxes.Texts(), QStringList{"皮肤初始化错误！"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
  EXPECT_FALSE(ColourKey::IsApplied(window.get()));
  EXPECT_TRUE(ui.ControlButton[0]->pixmap().isNull());
  EXPECT_EQ(ui.List->y(), 322);  // the design place
}

TEST_F(SkinTest, MissingButtonPictureIsReportedAndTheRestGoesOn) {
  QFile::remove(folder.File("skin/9-1.gif"));
  MakeWindow();
  face->InitSkin();
  EXPECT_EQ(boxes.Texts(), QStringList{"设置控制按钮失败!"});
  EXPECT_EQ(ui.List->y(), 186);
  EXPECT_EQ(ui.ControlButton[3]->y(), 335);
  EXPECT_TRUE(ColourKey::IsApplied(window.get()));
}

class SingerTypesTest : public SkinTest {
 protected:
  void WriteTypes(int count) {
    QStringList statements{"create table SClass(ID integer primary key, Name text)"};
    for (int i = 1; i <= count; ++i)
      statements << QString("insert into SClass values (%1, '类型%1')").arg(i * 10);
    RunSql(Data::CatalogFile(), statements);
  }
};

TEST_F(SingerTypesTest, LabelsTakeTheTypesAndTheLetters) {
  WriteTypes(4);
  MakeWindow();
  face->LoadSingerTypes();
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  EXPECT_EQ(ui.lbSingerType[0]->text(), "类型10");
  EXPECT_EQ(ui.lbSingerType[0]->property("Tag").toString(), "10");
  EXPECT_EQ(ui.lbSingerType[3]->text(), "类型40");
  EXPECT_EQ(ui.lbSingerType[4]->text(), "华语男歌手");
  EXPECT_TRUE(ui.lbSingerType[4]->property("Tag").toString().isEmpty());
  EXPECT_EQ(ui.lbLetter[0]->text(), "A");
  EXPECT_EQ(ui.lbLetter[25]->text(), "Z");
}

TEST_F(SingerTypesTest, ElevenTypesFailOnTheEleventh) {
  WriteTypes(11);
  MakeWindow();
  face->LoadSingerTypes();
  EXPECT_EQ(boxes.Texts(), QStringList{"获得歌手类型名错误！"});
  EXPECT_EQ(ui.lbSingerType[9]->text(), "类型100");
  EXPECT_EQ(ui.lbLetter[3]->text(), "A");  // the letters were never reached
}

TEST_F(SingerTypesTest, NoTypesLeaveTheDesignCaptions) {
  WriteTypes(0);
  MakeWindow();
  face->LoadSingerTypes();
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  EXPECT_EQ(ui.lbSingerType[0]->text(), "华语男歌手");
  EXPECT_EQ(ui.lbLetter[1]->text(), "B");
}

TEST_F(SingerTypesTest, MarkingShowingAndHiding) {
  MakeWindow();
  face->SetLabelColors(1, 3);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(Skin::IsMarked(ui.lbLetter[i]), i == 3) << i;
  face->SetLabelColors(1, 26);
  EXPECT_FALSE(Skin::IsMarked(ui.lbLetter[3]));
  face->SetLabelColors(0, 9);
  EXPECT_TRUE(Skin::IsMarked(ui.lbSingerType[9]));
  face->SetLabelColors(0, 10);
  EXPECT_FALSE(Skin::IsMarked(ui.lbSingerType[9]));
  face->SetLabelColors(5, 1);  // no such kind: nothing
  EXPECT_TRUE(boxes.Boxes().isEmpty());
  face->SetLabelColors(1, 40);
  EXPECT_EQ(boxes.Texts(), QStringList{"设置颜色错误"});

  face->ShowSingerTypes(0);
  EXPECT_FALSE(ui.lbSingerType[2]->isHidden());
  EXPECT_FALSE(ui.lbLetter[25]->isHidden());
  face->ShowSingerTypes(2);
  EXPECT_FALSE(ui.lbLetter[25]->isHidden());
  face->ShowSingerTypes(1);
  EXPECT_TRUE(ui.lbSingerType[2]->isHidden());
  EXPECT_TRUE(ui.lbLetter[0]->isHidden());
  EXPECT_EQ(boxes.Boxes().size(), 1);
}

TEST_F(SkinTest, UpdaterSkin) {
  QWidget updater;
  auto* back = new PictureBox(&updater);
  Skin::InitUpdaterSkin(&updater, back);
  EXPECT_EQ(back->size(), QSize(427, 170));
  EXPECT_TRUE(ColourKey::IsApplied(&updater));
  EXPECT_TRUE(boxes.Boxes().isEmpty());

  QFile::remove(folder.File("skin/update.gif"));
  SkinPictures::Clear();
  QWidget other;
  Skin::InitUpdaterSkin(&other, new PictureBox(&other));
  EXPECT_EQ(boxes.Texts(), QStringList{"皮肤初始化错误！"});
  EXPECT_FALSE(ColourKey::IsApplied(&other));
}

TEST(SkinPictures, RedIsKeyedOutAndPicturesAreDecodedOnce) {
  QImage image(3, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(254, 0, 0));
  image.setPixel(2, 0, qRgb(0, 0, 0));
  const QImage keyed = SkinPictures::KeyOut(image);
  EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(keyed.pixel(1, 0)), 255);
  EXPECT_EQ(qAlpha(keyed.pixel(2, 0)), 255);

  TempAppFolder folder;
  QFile::copy(kSkinSource + "1-1.gif", folder.File("skin/1-1.gif"));
  bool ok = false;
  const QPixmap first = SkinPictures::Load("1-1.gif", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(SkinPictures::Load("1-1.gif").cacheKey(), first.cacheKey());
  SkinPictures::Load("no-such.gif", &ok);
  EXPECT_FALSE(ok);
  SkinPictures::Clear();
}

// Preloaded pictures are the pictures a direct read gives, keyed out; a missing one is still
// reported as missing when it is asked for.
TEST(SkinPictures, PreloadedPicturesAreThoseReadDirectly) {
  TempAppFolder folder;
  for (const QString name : {"Main.gif", "1-1.gif"})
    QFile::copy(kSkinSource + name, folder.File("skin/" + name));
  SkinPictures::Clear();
  SkinPictures::Preload({"Main.gif", "no-such.gif", "1-1.gif"});
  for (const QString name : {"Main.gif", "1-1.gif"}) {
    bool ok = false;
    const QImage preloaded = SkinPictures::Load(name, &ok).toImage();
    EXPECT_TRUE(ok) << name.toStdString();
    EXPECT_EQ(preloaded.convertToFormat(QImage::Format_ARGB32),
              SkinPictures::KeyOut(QImage(kSkinSource + name)))
        << name.toStdString();
  }
  bool ok = true;
  SkinPictures::Load("no-such.gif", &ok);
  EXPECT_FALSE(ok);
  SkinPictures::Clear();
}

// The icon's first picture, whether it is stored as PNG (as ours is) or as a bitmap.
TEST(SkinPictures, IconsGiveTheirFirstPicture) {
  TempAppFolder folder;
  QFile::copy(kSkinSource + "sonaveil.ico", folder.File("skin/sonaveil.ico"));
  QImage bitmap(16, 16, QImage::Format_ARGB32);
  bitmap.fill(qRgb(10, 20, 30));
  ASSERT_TRUE(bitmap.save(folder.File("skin/bitmap.ico"), "ICO"));
  folder.Write("skin/broken.ico", QByteArray("\0\0\1\0\1\0", 6) + QByteArray(16, '\xff'));
  const auto premultiplied = [](const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  };
  EXPECT_EQ(premultiplied(SkinPictures::LoadIcon("sonaveil.ico").toImage()),
            premultiplied(QImage(kSkinSource + "sonaveil.ico")));
  EXPECT_EQ(SkinPictures::LoadIcon("bitmap.ico").toImage().pixel(5, 5), qRgb(10, 20, 30));
  EXPECT_TRUE(SkinPictures::LoadIcon("broken.ico").isNull());
  EXPECT_TRUE(SkinPictures::LoadIcon("no-such.ico").isNull());
}

// Our skin has every picture, at the size it must have, and three distinct button states.
TEST(SkinArt, EveryPictureAtItsSize) {
  struct Picture {
    QString name;
    QSize size;
  };
  QList<Picture> pictures = {{"Main.gif", {242, 322}},
                             {"List.gif", {242, 174}},
                             {"Search.gif", {673, 321}},
                             {"update.gif", {427, 170}},
                             {"board.gif", {700, 408}}};
  const int topWidths[6] = {9, 15, 17, 9, 10, 9};
  for (int i = 1; i <= 12; ++i)
    for (int state = 1; state <= 3; ++state)
      pictures.append({QString("%1-%2.gif").arg(i).arg(state),
                       i <= 6 ? QSize(22, 22) : QSize(topWidths[i - 7], 17)});
  for (const Picture& p : pictures) {
    QImage image(kSkinSource + p.name);
    ASSERT_FALSE(image.isNull()) << p.name.toStdString();
    EXPECT_EQ(image.size(), p.size) << p.name.toStdString();
  }
  for (int i = 1; i <= 12; ++i) {
    const QImage normal(kSkinSource + QString("%1-1.gif").arg(i));
    const QImage hover(kSkinSource + QString("%1-2.gif").arg(i));
    const QImage pressed(kSkinSource + QString("%1-3.gif").arg(i));
    EXPECT_NE(normal, hover) << i;
    EXPECT_NE(hover, pressed) << i;
  }
  // The see-through parts are pure red; the face's corner is one of them.
  EXPECT_EQ(QImage(kSkinSource + "Main.gif").pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_FALSE(QImage(kSkinSource + "sonaveil.ico").isNull());
  const QSize slider[] = {{2, 7}, {2, 7}, {2, 7}, {18, 7}};
  const char* parts[] = {"slider-left.gif", "slider-track.gif", "slider-right.gif",
                         "slider-thumb.gif"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SkinPictures::Builtin(parts[i]).size(), slider[i]);
}

}  // namespace
