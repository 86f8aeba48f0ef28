#include "catalog/other_serach.h"

#include <QListWidget>
#include <QUrl>
#include <optional>

#include "catalog/data.h"
#include "platform/endpoints.h"
#include "state/shared_state.h"
#include "web/text_decoding.h"
#include "web/web_browser.h"

namespace OtherSerach {

namespace {

// The part of text between the first and the second marker (to the end of text when the
// marker appears only once); nothing when the marker is missing.
std::optional<QString> BetweenFirstTwo(const QString& text, const QString& marker) {
  const qsizetype first = text.indexOf(marker);
  if (first < 0) return std::nullopt;
  const qsizetype from = first + marker.size();
  const qsizetype second = text.indexOf(marker, from);
  return second < 0 ? text.mid(from) : text.mid(from, second - from);
}

}  // namespace

QString SearchAddress(const QString& query) {
  return JoinUrl(Endpoints().musicSearchSite, "search?p=") +
         QString::fromLatin1(QUrl::toPercentEncoding(query)) +
         "&mimetype=wma&source=yisou_music_hp_search";
}

QList<Result> CutResults(const QString& pageText) {
  // The page's text as a browser gives its HTML: character references decoded, except those
  // that would read as markup; these are decoded in each result once it is cut out.
  QString text = DecodeCharacterReferences(pageText, true);
  // The result page's own words, taken out as the page writes them in every language.
  text.remove(QStringLiteral("来源网址："));
  text.remove(QStringLiteral(" 请注意：此内容可能受到版权保护"));
  text = text.toLower();
  const QStringList pieces = text.split(QStringLiteral("title="));
  QList<Result> results;
  for (qsizetype i = 1; i < pieces.size() && results.size() < kMaxResults; ++i) {
    QString piece = pieces[i];
    piece.remove('"');
    const qsizetype wma = piece.indexOf(QStringLiteral(".wma"));
    const std::optional<QString> link = BetweenFirstTwo(piece, QStringLiteral("blank>"));
    if (wma < 0 || !link) continue;
    QString title = link->left(link->indexOf(QStringLiteral("</a>")));  // all of it without one
    title.remove(QStringLiteral("<font color=red>"));
    title.remove(QStringLiteral("</font>"));
    results.append(
        {DecodeCharacterReferences(piece.left(wma) + ".wma"), DecodeCharacterReferences(title)});
  }
  return results;
}

void SearchOnline(const QString& query, WebBrowser* browser) {
  browser->show();
  browser->raise();
  browser->Navigate2(SearchAddress(query));
}

void ShowResults(WebBrowser* browser, bool arrived, QListWidget* list) {
  browser->hide();
  if (!arrived) return;
  const QList<Result> results = CutResults(browser->BodyHtml());
  for (int i = 1; i <= results.size(); ++i) {
    auto* item = new QListWidgetItem(results[i - 1].title);
    item->setData(Data::kItemDataRole, i);
    list->addItem(item);
    SearchUrls[static_cast<size_t>(i)] = results[i - 1].url;
  }
}

}  // namespace OtherSerach
