#include "catalog/catalog_browser.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>

#include "catalog/data.h"
#include "catalog/other_serach.h"
#include "platform/msgbox.h"
#include "state/shared_state.h"
#include "web/web_browser.h"

namespace {

constexpr int16_t kTypes = 0, kLetters = 1;
constexpr int16_t kNoType = 10, kNoLetter = 26;

// The selected entry's row id as a 16-bit id; nothing when none is selected or it is too big.
std::optional<int16_t> SelectedId16(const QListWidget* list) {
  const int row = list->currentRow();
  if (row < 0) return std::nullopt;
  const int32_t id = Data::ItemData(list, row);
  if (id < INT16_MIN || id > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(id);
}

QString SelectedText(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item ? item->text() : QString();
}

// Marks label index of kind, or none when it was the marked one; gives what is marked now.
int16_t Toggle(CatalogLabels& labels, int16_t kind, int index, int16_t none) {
  const int16_t marked =
      labels.IsMarked(kind, static_cast<int16_t>(index)) ? none : static_cast<int16_t>(index);
  labels.SetLabelColors(kind, marked);
  return marked;
}

}  // namespace

CatalogBrowser::CatalogBrowser(const Controls& controls, CatalogLabels& labels, QObject* parent)
    : QObject(parent), c_(controls), labels_(labels) {
  connect(c_.lstSinger, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) lstSinger_Click();
  });
  connect(c_.lstSpecial, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) lstSpecial_Click();
  });
  connect(c_.lstSong, &QListWidget::itemDoubleClicked, this, &CatalogBrowser::lstSong_DblClick);
  for (int i = 0; i < 2; ++i)
    connect(c_.cmdAdd[i], &QPushButton::clicked, this, [this, i] { cmdAdd_Click(i); });
  connect(c_.Go, &QPushButton::clicked, this, &CatalogBrowser::Go_Click);
  connect(c_.Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });
  connect(c_.lstSearch, &QListWidget::itemDoubleClicked, this, &CatalogBrowser::lstSearch_DblClick);
  connect(c_.WBYS, &WebBrowser::DocumentComplete, this, &CatalogBrowser::WBYS_DocumentComplete);
}

void CatalogBrowser::lbLetter_Click(int Index) {
  SelectedLetter = Toggle(labels_, kLetters, Index, kNoLetter);
  RefilterSingers();
}

void CatalogBrowser::lbSingerType_Click(int Index) {
  SelectedSingerType = Toggle(labels_, kTypes, Index, kNoType);
  RefilterSingers();
}

void CatalogBrowser::RefilterSingers() {
  int16_t type = 0;
  if (SelectedSingerType >= 0 && SelectedSingerType < kNoType) {
    bool ok = false;
    const int id = labels_.SingerTypeTag(SelectedSingerType).toInt(&ok);
    if (!ok || id < INT16_MIN || id > INT16_MAX) return;  // a label that names no type
    type = static_cast<int16_t>(id);
  }
  const QString letter = SelectedLetter >= 0 && SelectedLetter < kNoLetter
                             ? labels_.LetterCaption(SelectedLetter)
                             : QString();
  Data::ListSingers(type, letter, c_.lstSinger);
}

void CatalogBrowser::lstSinger_Click() {
  if (const std::optional<int16_t> singer = SelectedId16(c_.lstSinger))
    Data::ListAlbums(*singer, c_.lstSpecial);
}

void CatalogBrowser::lstSpecial_Click() {
  if (const std::optional<int16_t> album = SelectedId16(c_.lstSpecial))
    Data::ListSongs(*album, c_.lstSong);
}

std::pair<QString, QString> CatalogBrowser::SongAndSinger() const {
  if (AddSource == 0) return {SelectedText(c_.lstSong), SelectedText(c_.lstSinger)};
  const QString result = SelectedText(c_.lstSearch);
  return {result.section('\t', 0, 0), result.section('\t', 1, 1)};
}

void CatalogBrowser::lstSong_DblClick() {
  AddSource = 0;
  const int row = c_.lstSong->currentRow();
  if (row < 0) return;
  const auto [title, singer] = SongAndSinger();
  emit AddRequested(Data::GetSongUrl(Data::ItemData(c_.lstSong, row)), title, singer);
}

void CatalogBrowser::cmdAdd_Click(int Index) {
  if (Index == 0)
    lstSong_DblClick();
  else if (Index == 1)
    AddSelectedResult();
}

void CatalogBrowser::Text1_KeyPress(int KeyAscii) {
  if (KeyAscii != 13) return;
  const QString text = c_.Text1->text();
  if (text == "春风吹过绿色山")  // what the user typed, not a text shown
    MsgBox(tr("送给你的礼物！"), tr("一生一世的爱恋"), vbOKOnly);
  else if (!text.isEmpty())
    StartSearch();
}

void CatalogBrowser::Go_Click() { StartSearch(); }

void CatalogBrowser::StartSearch() {
  // A page still loading belongs to the search this one replaces.
  c_.WBYS->Stop();
  c_.WBYS->hide();
  c_.lstSearch->clear();
  const QString text = c_.Text1->text();
  if (text.startsWith(QLatin1String("yisou:"), Qt::CaseSensitive)) {
    OtherSerach::SearchOnline(text.trimmed().mid(6), c_.WBYS);
    SearchKind = 1;
  } else {
    Data::SearchSongs(text.trimmed(), c_.lstSearch);
    SearchKind = 0;
  }
}

void CatalogBrowser::WBYS_DocumentComplete(bool ok) {
  OtherSerach::ShowResults(c_.WBYS, ok, c_.lstSearch);
}

void CatalogBrowser::lstSearch_DblClick() { AddSelectedResult(); }

void CatalogBrowser::AddSelectedResult() {
  const int row = c_.lstSearch->currentRow();
  if (SearchKind == 0) {
    AddSource = 1;
    if (row < 0) return;
    const auto [title, singer] = SongAndSinger();
    emit AddRequested(Data::GetSongUrl(Data::ItemData(c_.lstSearch, row)), title, singer);
  } else if (SearchKind == 1) {
    AddSource = 0;
    const int number = row < 0 ? -1 : Data::ItemData(c_.lstSearch, row);
    if (number < 0 || number >= static_cast<int>(SearchUrls.size())) return;
    // The result's own title, and the singer selected in the catalog.
    emit AddRequested(SearchUrls[static_cast<size_t>(number)], c_.lstSearch->item(row)->text(),
                      SongAndSinger().second);
  }
}
