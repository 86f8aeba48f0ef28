#pragma once

#include <QList>
#include <QString>

class QListWidget;
class WebBrowser;

// The online song search: an outside music search page, cut into up to twenty results.
namespace OtherSerach {

inline constexpr int kMaxResults = 20;

struct Result {
  QString url;    // the ".wma" address
  QString title;  // lower case, as the page is read, its references decoded
};

// The search page's address for query; the query is percent-encoded (UTF-8), so any text
// is searched for as it stands.
QString SearchAddress(const QString& query);

// Cuts the results out of a result page's body text, in page order, at most twenty. A piece
// without its ".wma" address or its "blank>" marker is passed over. Character references
// are decoded before the text is lower-cased.
QList<Result> CutResults(const QString& pageText);

// Starts loading the result page for query into browser, shown while it loads. When it has
// arrived, Show fills the search list from it. A search still loading is dropped.
void SearchOnline(const QString& query, WebBrowser* browser);

// Hides browser and, when the page arrived, puts its results into list (title, with the
// result's number as item data) and their addresses into SearchUrls.
void ShowResults(WebBrowser* browser, bool arrived, QListWidget* list);

}  // namespace OtherSerach
