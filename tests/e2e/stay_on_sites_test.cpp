#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "visits/local_days.h"

namespace kb::testing {
namespace {

// The children's sites are on 127.0.0.1; the same server under the name
// localhost plays a site nobody listed. Every way a page can lead there must
// end on the friendly page (or an empty frame) before the server is asked.
class StayOnSitesE2E : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    away_ = site_->other_host_url("/away.html");
    site_->add_page("/away.html", "<html><body><h1 id='away'>Away</h1></body></html>");
    site_->add_page("/zoo.html", "<html><body><h1>Zoo</h1><a id='out' href='" + away_ +
                                     "'>out</a></body></html>");
    site_->add_page("/music.html", "<html><body><h1>Music</h1></body></html>");
    site_->add_redirect("/hop", away_);
    site_->add_page("/refresh.html", "<html><head><meta http-equiv='refresh' content='0;url=" +
                                         away_ + "'></head><body>wait</body></html>");
    site_->add_page("/form.html", "<html><body><form id='f' method='post' action='" + away_ +
                                      "'><input name='q' value='1'></form></body></html>");
    site_->add_page("/frame.html", "<html><body><h1 id='framed'>Framed</h1><iframe id='fr' src='" +
                                       away_ + "'></iframe></body></html>");
  }

  // Starts the program and the child, and opens the zoo page.
  void start_child(const std::string& name) {
    std::string config = two_children_config();
    config.replace(config.find("</Settings>"), 0, "<StayOnSites>Yes</StayOnSites>");
    write_config(config);
    start();
    choose_child(name);
    ASSERT_TRUE(wait_for_web(page("UserStart.html")));
    visit("/zoo.html");
  }
  void visit(const std::string& path) {
    SCOPED_TRACE(path);
    web_js("location.href = '" + site_->url(path) + "'; 0");
    ASSERT_TRUE(wait_for_web(site_->url(path)));
  }
  bool on_refusal_page() {
    return wait_for_web(page("NotOnList.html")) &&
           prop_becomes("refused-host", "textContent", "localhost");
  }
  // From the friendly page through the password to the parent's choice.
  void approve(const std::string& choice_id) {
    click("ask");
    ASSERT_TRUE(wait_for_web(page("password.htm")));
    fill("pwd", "secret");
    click("ok");
    ASSERT_TRUE(wait_for_web(page("Approve.html")));
    ASSERT_TRUE(prop_becomes("approve-address", "textContent", away_));
    click(choice_id);
  }

  std::string away_;
};

TEST_F(StayOnSitesE2E, EveryWayToAnUnlistedHostEndsBeforeItIsAsked) {
  start_child("Mary");
  // A link.
  click("out");
  EXPECT_TRUE(on_refusal_page());
  // A server's redirect.
  visit("/zoo.html");
  web_js("location.href = '" + site_->url("/hop") + "'; 0");
  EXPECT_TRUE(on_refusal_page());
  EXPECT_EQ(site_->requests("/hop"), 1);
  // A refresh in the page.
  web_js("location.href = '" + site_->url("/refresh.html") + "'; 0");
  EXPECT_TRUE(on_refusal_page());
  // A window the page opens.
  visit("/zoo.html");
  web_js("window.open('" + away_ + "'); 0");
  EXPECT_TRUE(on_refusal_page());
  // A form sent there.
  visit("/form.html");
  web_js("document.getElementById('f').submit(); 0");
  EXPECT_TRUE(on_refusal_page());
  // A frame stays empty and the page around it stays.
  visit("/frame.html");
  settle(std::chrono::milliseconds(500));
  EXPECT_EQ(web_location(), site_->url("/frame.html"));
  EXPECT_EQ(web_js("document.getElementById('framed').textContent"), "Framed");
  EXPECT_EQ(web_js("(function (d) { return d && d.body ? d.body.textContent : ''; })"
                   "(document.getElementById('fr').contentDocument)"),
            "");
  EXPECT_EQ(site_->requests("/away.html"), 0);

  // "Go back" returns to the page before the refusal.
  visit("/zoo.html");
  click("out");
  ASSERT_TRUE(on_refusal_page());
  click("go-back");
  EXPECT_TRUE(wait_for_web(site_->url("/zoo.html")));
  EXPECT_EQ(site_->requests("/away.html"), 0);
}

TEST_F(StayOnSitesE2E, TheParentAllowsOnceForTheDayOrAlways) {
  start_child("Mary");
  click("out");
  ASSERT_TRUE(on_refusal_page());
  approve("allow-once");
  ASSERT_TRUE(wait_for_web(away_));
  EXPECT_EQ(site_->requests("/away.html"), 1);
  // Home ends the visit.
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  visit("/zoo.html");
  click("out");
  ASSERT_TRUE(on_refusal_page());
  EXPECT_EQ(site_->requests("/away.html"), 1);

  // For today: until midnight, also across a restart.
  approve("allow-today");
  ASSERT_TRUE(wait_for_web(away_));
  visit("/zoo.html");
  click("out");
  ASSERT_TRUE(wait_for_web(away_));
  EXPECT_EQ(site_->requests("/away.html"), 3);
  restart();
  start_child("Mary");
  click("out");
  ASSERT_TRUE(wait_for_web(away_));
  EXPECT_EQ(site_->requests("/away.html"), 4);
  clock_.offset = visits::next_local_midnight(std::time(nullptr)) - std::time(nullptr) + 1;
  visit("/zoo.html");
  click("out");
  ASSERT_TRUE(on_refusal_page());
  EXPECT_EQ(site_->requests("/away.html"), 4);

  // Always: kept in the child's settings.
  approve("allow-always");
  ASSERT_TRUE(wait_for_web(away_));
  EXPECT_TRUE(config_has("<ID>2</ID>\n      <ApprovedHosts>\n        <Host>localhost</Host>"));
}

TEST_F(StayOnSitesE2E, TheVisitLogShowsRefusedPagesFirstAndAllowsThemForGood) {
  start_child("Mary");
  click("out");
  ASSERT_TRUE(on_refusal_page());

  open_parents_pages("secret");
  ASSERT_TRUE(has_element("visit-log-link"));
  click("visit-log-link");
  ASSERT_TRUE(wait_for_web(page("VisitLog.htm")));
  const auto rows = [&] {
    return web_js(
        "Array.from(document.querySelectorAll('.visit-row'))"
        ".map(r => r.dataset.host + ':' + r.cells[1].textContent).join(',')");
  };
  ASSERT_TRUE(run_until([&] { return rows() == "localhost:Kept closed,127.0.0.1:Opened"; }))
      << rows();
  EXPECT_EQ(web_js("document.getElementById('visit-child').selectedOptions[0].textContent"),
            "Mary");
  web_js("document.querySelector('.visit-row[data-host=\"localhost\"] .always-allow').click(); 0");
  ASSERT_TRUE(config_has("<ApprovedHosts>"));
  ASSERT_TRUE(run_until([&] {
    return web_js(
               "document.querySelector('.visit-row[data-host=\"localhost\"]')"
               ".cells[4].textContent") == "Allowed now";
  }));
  EXPECT_NE(read_config().find("<ID>2</ID>\n      <ApprovedHosts>\n        <Host>localhost</Host>"),
            std::string::npos)
      << read_config();
  ASSERT_TRUE(run_until([&] {
    return web_js(
               "Array.from(document.querySelectorAll('.approved-row'))"
               ".map(r => r.dataset.host).join(',')") == "localhost";
  }));
  // Taken back again, it is gone from the file and the row offers it again.
  web_js("document.querySelector('.approved-row[data-host=\"localhost\"] .withdraw').click(); 0");
  ASSERT_TRUE(run_until([&] { return read_config().find("localhost") == std::string::npos; }));
  ASSERT_TRUE(run_until([&] {
    return web_js(
               "document.querySelectorAll('.visit-row[data-host=\"localhost\"] "
               ".always-allow').length") == "1";
  }));
  // Chris has no visits.
  web_js(
      "var s = document.getElementById('visit-child'); s.value = '3';"
      "s.dispatchEvent(new Event('change')); 0");
  EXPECT_TRUE(run_until([&] { return rows().empty(); }));
  EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
}  // namespace kb::testing
