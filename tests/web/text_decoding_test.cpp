#include "web/text_decoding.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

#include "web/web_browser.h"

namespace {

TEST(DeclaredCharset, HeaderMetaAndDefault) {
  struct Case {
    QByteArray body;
    QByteArray contentType;
    QByteArray expected;
  } cases[] = {
      {"<p>x</p>", "text/html; charset=UTF-8", "UTF-8"},
      {"<p>x</p>", "text/html; charset=\"gb2312\"", "GB18030"},
      {"<p>x</p>", "text/html;charset=GBK", "GB18030"},
      {"<meta charset=\"gb2312\"><p>x</p>", "text/html", "GB18030"},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gb2312\">", "text/html",
       "GB18030"},
      {"<meta charset=iso-8859-1>", "", "ISO-8859-1"},
      // The header wins over the page.
      {"<meta charset=gb2312>", "text/html; charset=utf-8", "UTF-8"},
      {"<html><body>no declaration</body></html>", "text/html", "UTF-8"},
      {"", "", "UTF-8"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DeclaredCharset(c.body, c.contentType), c.expected) << c.body.constData();
}

TEST(DecodeHttpBody, DecodesChineseInEveryDeclaredSet) {
  const QString text = "月亮代表我的心 — 邓丽君";
  EXPECT_EQ(DecodeHttpBody(Gb(text), "text/html; charset=gb2312"), text);
  EXPECT_EQ(DecodeHttpBody(Gb(text), "text/html; charset=GB18030"), text);
  EXPECT_EQ(DecodeHttpBody(text.toUtf8(), "text/html"), text);
  const QByteArray page = "<html><head><meta charset=gbk></head><body>" + Gb(text) + "</body>";
  EXPECT_TRUE(DecodeHttpBody(page, "").contains(text));
  // An unknown set falls back to UTF-8 rather than losing the page.
  EXPECT_EQ(DecodeHttpBody(text.toUtf8(), "text/html; charset=no-such-set"), text);
}

TEST(ExtractBodyHtml, TakesWhatLiesInsideTheBody) {
  EXPECT_EQ(
      ExtractBodyHtml("<html><head><title>t</title></head><body class=\"a\">128</body></html>"),
      "128");
  EXPECT_EQ(ExtractBodyHtml("<HTML><BODY>\n<A HREF=x>y</A>\n</BODY></HTML>"),
            "\n<A HREF=x>y</A>\n");
  EXPECT_EQ(ExtractBodyHtml("128"), "128");
  EXPECT_EQ(ExtractBodyHtml("<body>unclosed"), "unclosed");
  // A <bodyguard> element is not the body.
  EXPECT_EQ(ExtractBodyHtml("<bodyguard>x</bodyguard>"), "<bodyguard>x</bodyguard>");
}

}  // namespace
