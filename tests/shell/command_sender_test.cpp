#include "shell/command_sender.h"

#include <gtest/gtest.h>

#include <functional>

namespace kb {
namespace {

const std::filesystem::path kFolder = "/opt/kitebrook";
const std::string kHost = "/opt/kitebrook/Data/KBConfigmain.htm";
const std::string kSite = "http://site.example/page.html";

// A host page's own script navigation, changed by `edit`.
NavigationRequest from_host(const std::function<void(NavigationRequest&)>& edit) {
  NavigationRequest request;
  request.url = "vbcontainer:UPDATEPWD(x)";
  request.sender_document = kHost;
  request.committed_document = kHost;
  edit(request);
  return request;
}

TEST(CommandSender, OnlyAHostPagesOwnNavigationCommands) {
  struct Row {
    const char* what;
    std::function<void(NavigationRequest&)> edit;
    bool runs;
  };
  const Row rows[] = {
      {"a host page's script", [](NavigationRequest&) {}, true},
      {"a host page's link", [](NavigationRequest& r) { r.type = NavigationType::LinkClicked; },
       true},
      {"a host page's form", [](NavigationRequest& r) { r.type = NavigationType::FormSubmitted; },
       true},
      {"a redirect while a host page is shown",
       [](NavigationRequest& r) {
         r.is_redirect = true;
         r.frame = NavigationFrame::Main;
       },
       false},
      {"a redirect that still names the host page",
       [](NavigationRequest& r) { r.is_redirect = true; }, false},
      {"a history step", [](NavigationRequest& r) { r.type = NavigationType::BackForward; }, false},
      {"a reload", [](NavigationRequest& r) { r.type = NavigationType::Reload; }, false},
      {"a form sent again", [](NavigationRequest& r) { r.type = NavigationType::FormResubmitted; },
       false},
      {"the program's own load", [](NavigationRequest& r) { r.by_program = true; }, false},
      {"a new window's first page", [](NavigationRequest& r) { r.new_window = true; }, false},
      {"a site's page",
       [](NavigationRequest& r) { r.sender_document = r.committed_document = kSite; }, false},
      {"no page at all", [](NavigationRequest& r) { r.sender_document.clear(); }, false},
      {"a sender other than the page shown",
       [](NavigationRequest& r) { r.committed_document = kSite; }, false},
      {"a file beside the Data folder",
       [](NavigationRequest& r) {
         r.sender_document = r.committed_document = "/opt/kitebrook/Data/../x.htm";
       },
       false},
      {"a folder whose name begins like Data",
       [](NavigationRequest& r) {
         r.sender_document = r.committed_document = "/opt/kitebrook/Database/x.htm";
       },
       false},
      {"a host page named by URI",
       [](NavigationRequest& r) { r.sender_document = r.committed_document = "file://" + kHost; },
       false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(sent_by_host_page(from_host(row.edit), kFolder), row.runs) << row.what;
}

}  // namespace
}  // namespace kb
