#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <utility>

class QLineEdit;
class QListWidget;
class QPushButton;
class WebBrowser;

// The labels the catalog is filtered by, as the face shows them. kind 0 is the singer-type
// labels (index 10 names none), kind 1 the letter labels (26 names none).
class CatalogLabels {
 public:
  virtual ~CatalogLabels() = default;
  // Whether the label shows the mark of the selected one.
  virtual bool IsMarked(int16_t kind, int16_t index) const = 0;
  // Marks the label, and no other of its kind.
  virtual void SetLabelColors(int16_t kind, int16_t index) = 0;
  // The letter a letter label shows.
  virtual QString LetterCaption(int16_t index) const = 0;
  // The singer-type id a singer-type label keeps.
  virtual QString SingerTypeTag(int16_t index) const = 0;
};

// The catalog panel: the letter and singer-type filters, the singer → album → song chain, the
// song search (in the catalog, or online with "yisou:"), and adding a song or a result to the
// playlist, which it asks for through AddRequested. It sets and reads AddSource, SearchKind,
// SearchUrls, SelectedLetter and SelectedSingerType. The handlers keep their names.
class CatalogBrowser : public QObject {
  Q_OBJECT

 public:
  // The panel's lists and inputs, and the hidden page the online search loads into.
  struct Controls {
    QListWidget* lstSinger = nullptr;
    QListWidget* lstSpecial = nullptr;
    QListWidget* lstSong = nullptr;
    QListWidget* lstSearch = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Go = nullptr;
    std::array<QPushButton*, 2> cmdAdd{};
    WebBrowser* WBYS = nullptr;
  };

  // Hears the controls' clicks itself; the labels' clicks come through the handlers.
  CatalogBrowser(const Controls& controls, CatalogLabels& labels, QObject* parent = nullptr);

  // A click toggles the label and filters the singers again.
  void lbLetter_Click(int Index);
  void lbSingerType_Click(int Index);
  // The selected singer's albums; the selected album's songs.
  void lstSinger_Click();
  void lstSpecial_Click();
  // Adds the selected song (0) or the selected search result (1).
  void lstSong_DblClick();
  void cmdAdd_Click(int Index);
  // Searches for the box's text; Enter (13) does the same, or greets the hidden phrase.
  void Go_Click();
  void Text1_KeyPress(int KeyAscii);
  void lstSearch_DblClick();
  void WBYS_DocumentComplete(bool ok);

 signals:
  // A song to append to the playlist: its address, title and singer.
  void AddRequested(const QString& url, const QString& title, const QString& singer);

 private:
  void RefilterSingers();
  void StartSearch();
  void AddSelectedResult();
  // Title and singer of a catalog song added now: the selected song and singer, or the
  // selected search result, as AddSource says.
  std::pair<QString, QString> SongAndSinger() const;

  Controls c_;
  CatalogLabels& labels_;
};
