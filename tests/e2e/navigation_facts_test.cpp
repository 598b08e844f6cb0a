#include <gtest/gtest.h>

#include <optional>

#include "platform/gtk_platform.h"
#include "platform/main_loop.h"
#include "platform/main_window_gtk.h"
#include "support/temp_folder.h"
#include "test_site.h"

namespace kb::testing {
namespace {

// Records every navigation of the content area and lets it go ahead.
class RecordingEvents : public MainWindowEvents {
 public:
  void Form_Resize() override {}
  bool web_BeforeNavigate2(const NavigationRequest& request) override {
    web.push_back(request);
    return false;
  }
  bool brwControls_BeforeNavigate2(const NavigationRequest&) override { return false; }
  bool wbbrwnewhidden_BeforeNavigate2(const NavigationRequest&) override { return false; }
  void web_NavigateComplete2(const std::string&) override {}
  void web_CommandStateChange(NavigationCommand, bool) override {}
  void wbbrwnewhidden_DocumentComplete() override {}
  bool web_PrintRequested() override { return false; }
  void Form_QueryUnload() override {}

  std::vector<NavigationRequest> web;
};

// The content area of a real main window tells the shell what started each
// navigation: the program, a page, a server's redirect, the history, a reload.
class NavigationFacts : public ::testing::Test {
 protected:
  void SetUp() override {
    gtk::initialize_toolkit(folder_);
    kbtest::write_file(folder_ / "host.html", "<html><body>host</body></html>");
    window_ = std::make_unique<gtk::MainWindowGtk>(events_, printer_);
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    gtk::run_events_until([] { return false; }, std::chrono::milliseconds(50));
  }

  // Waits for the content area's navigation to `url`.
  std::optional<NavigationRequest> navigation_to(const std::string& url) {
    std::optional<NavigationRequest> found;
    gtk::run_events_until(
        [&] {
          for (const NavigationRequest& r : events_.web)
            if (r.url == url) found = r;
          return found.has_value();
        },
        std::chrono::seconds(10));
    events_.web.clear();
    return found;
  }

  kbtest::TempFolder temp_{"kb_facts"};
  std::filesystem::path folder_ = temp_.path();
  TestSite site_;
  RecordingEvents events_;
  gtk::PrintHandler printer_ = [](WebKitWebView*) {};
  std::unique_ptr<gtk::MainWindowGtk> window_;
};

TEST_F(NavigationFacts, EachNavigationSaysWhoStartedIt) {
  const std::string host = (folder_ / "host.html").string();
  site_.add_page("/a.html", "<html><body>a</body></html>");
  site_.add_redirect("/hop", "vbcontainer:HOPPED()");
  BrowserControl& web = window_->web();

  web.navigate(host);
  auto request = navigation_to(host);
  ASSERT_TRUE(request);
  EXPECT_TRUE(request->by_program);
  EXPECT_EQ(request->frame, NavigationFrame::Main);
  EXPECT_EQ(request->sender_document, "");
  web.run_script("0");

  // The page itself.
  web.run_script("location.href = 'vbcontainer:SENT(1)'; 0");
  request = navigation_to("vbcontainer:SENT(1)");
  ASSERT_TRUE(request);
  EXPECT_FALSE(request->by_program);
  EXPECT_FALSE(request->is_redirect);
  EXPECT_EQ(request->type, NavigationType::Other);
  EXPECT_EQ(request->sender_document, host);
  EXPECT_EQ(request->committed_document, host);

  // A server's redirect of a navigation the page started.
  web.run_script("location.href = '" + site_.url("/hop") + "'; 0");
  request = navigation_to("vbcontainer:HOPPED()");
  ASSERT_TRUE(request);
  EXPECT_TRUE(request->is_redirect);
  EXPECT_EQ(request->frame, NavigationFrame::Main);
  EXPECT_EQ(request->sender_document, "");
  EXPECT_EQ(request->committed_document, host);

  // A history step and a reload.
  web.navigate(site_.url("/a.html"));
  ASSERT_TRUE(navigation_to(site_.url("/a.html")));
  web.run_script("0");
  ASSERT_TRUE(gtk::run_events_until(
      [&] { return webkit_web_view_can_go_back(window_->web_view()); }, std::chrono::seconds(5)));
  web.go_back();
  request = navigation_to(host);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->type, NavigationType::BackForward);
  EXPECT_EQ(request->sender_document, "");
  EXPECT_EQ(request->committed_document, site_.url("/a.html"));
  web.run_script("0");

  web.run_script("location.reload(); 0");
  request = navigation_to(host);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->type, NavigationType::Reload);
  EXPECT_EQ(request->sender_document, "");
}

}  // namespace
}  // namespace kb::testing
