#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/command_parser.h"
#include "layout/elastic_hooks.h"
#include "shell/platform.h"

namespace kb {

class Kitebrook;

// The main window's logic: its load handler, the handlers of its browser
// controls (the navigation filter among them) and the first-run wizard hook.
class frmBrowser : public MainWindowEvents {
 public:
  explicit frmBrowser(Kitebrook& app);
  ~frmBrowser() override;
  frmBrowser(const frmBrowser&) = delete;
  frmBrowser& operator=(const frmBrowser&) = delete;

  // Creates the window through the platform and runs its load handler.
  void load(Platform& platform);
  // Hides the window; the owner destroys it once no handler of it runs.
  void unload();
  MainWindowView& view() { return *view_; }

  void Form_Load();
  void Form_Resize() override;
  bool web_BeforeNavigate2(const NavigationRequest& request) override;
  bool brwControls_BeforeNavigate2(const NavigationRequest& request) override;
  bool wbbrwnewhidden_BeforeNavigate2(const NavigationRequest& request) override;
  void web_NavigateComplete2(const std::string& url) override;
  void web_CommandStateChange(NavigationCommand command, bool enabled) override;
  void wbbrwnewhidden_DocumentComplete() override;
  bool web_PrintRequested() override;
  void Form_QueryUnload() override;

  // Moves the first-run wizard on after a command from one of its two
  // hand-over pages; answers whether it did.
  bool wizard_hook();
  // Gives every site's picture its full path under the program folder.
  void update_all_sites();

 private:
  // Runs a command URL when it comes from one of the host's own pages;
  // answers the name of the command run.
  std::optional<std::string_view> run_command(const NavigationRequest& request,
                                              KBVBHTMLInterfaces::Percent20 spaces);
  // Tells the page that sent a command that the command `name` has run.
  void notify_command_done(const NavigationRequest& request, std::string_view name);

  Kitebrook& app_;
  std::unique_ptr<MainWindowView> view_;
  std::string saved_caption_;
  // Keeps the controls in their designed proportions as the window resizes.
  ElasticHooks elastic_;
  bool unloaded_ = false;
};

}  // namespace kb
