#include "web/web_browser.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

class WebBrowserTest : public ::testing::Test {
 protected:
  TestHttpServer server;
  WebBrowser browser;
  QSignalSpy completed{&browser, &WebBrowser::DocumentComplete};

  bool WaitForPage() {
    return WaitUntil([&] { return !completed.isEmpty(); }, 10000) &&
           completed.takeFirst().at(0).toBool();
  }
};

TEST_F(WebBrowserTest, LoadsAPageAndGivesItsBody) {
  server.Route(
      "/sonaveil/count1/active.asp",
      {.body = "<html><head><title>c</title></head><body>128</body></html>", .delayMs = 50});
  browser.Navigate2(server.Url("/sonaveil/count1/active.asp"));
  EXPECT_TRUE(browser.Busy());
  ASSERT_TRUE(WaitForPage());
  EXPECT_FALSE(browser.Busy());
  EXPECT_EQ(browser.BodyHtml(), "128");
  EXPECT_EQ(browser.LocationURL(), server.Url("/sonaveil/count1/active.asp"));
}

TEST_F(WebBrowserTest, RefreshLoadsTheSamePageAgain) {
  server.Route("/count", {.body = "<body>5</body>"});
  browser.Navigate2(server.Url("/count"));
  ASSERT_TRUE(WaitForPage());
  server.Route("/count", {.body = "<body>6</body>"});
  browser.Refresh();
  ASSERT_TRUE(WaitForPage());
  EXPECT_EQ(browser.BodyHtml(), "6");
  EXPECT_EQ(server.Requests(), (QStringList{"/count", "/count"}));
}

TEST_F(WebBrowserTest, ANewNavigationDropsThePageStillLoading) {
  server.Route("/first", {.body = "<body>first</body>", .delayMs = 400});
  server.Route("/second", {.body = "<body>second</body>"});
  browser.Navigate2(server.Url("/first"));
  browser.Navigate2(server.Url("/second"));
  ASSERT_TRUE(WaitForPage());
  EXPECT_EQ(browser.BodyHtml(), "second");
  WaitUntil([] { return false; }, 700);
  EXPECT_TRUE(completed.isEmpty());  // the first page never reports
  EXPECT_EQ(browser.BodyHtml(), "second");
}

TEST_F(WebBrowserTest, FailedLoadReportsAndLeavesNoBody) {
  server.Route("/ok", {.body = "<body>old</body>"});
  browser.Navigate2(server.Url("/ok"));
  ASSERT_TRUE(WaitForPage());
  browser.Navigate2(server.Url("/missing"));
  ASSERT_TRUE(WaitUntil([&] { return !completed.isEmpty(); }));
  EXPECT_FALSE(completed.takeFirst().at(0).toBool());
  EXPECT_EQ(browser.BodyHtml(), "");
  EXPECT_TRUE(browser.LastError().contains("404"));
}

TEST_F(WebBrowserTest, StopDropsTheLoad) {
  server.Route("/slow", {.body = "<body>x</body>", .delayMs = 300});
  browser.Navigate2(server.Url("/slow"));
  browser.Stop();
  EXPECT_FALSE(browser.Busy());
  WaitUntil([] { return false; }, 600);
  EXPECT_TRUE(completed.isEmpty());
}

}  // namespace
