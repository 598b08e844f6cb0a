#include <algorithm>
#include <cctype>
#include <iostream>

#include "bridge/page_loader.h"
#include "common/kb_error.h"
#include "common/text_case.h"
#include "common/vb_number.h"
#include "config/kb_config_io.h"
#include "shell/frm_browser.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"

namespace kb {
bool frmBrowser::wizard_hook() {
  const ProgramFolders& folders = app_.state().folders;
  const std::string current = upper_case(app_.state().current_url);
  if (current == upper_case(folders.page("Sresetpassword.htm"))) {
    KBVBHTMLInterfaces::navigate_content(app_, folders.page("SAddUserHelp.html"));
    app_.platform().event_step();
    return true;
  }
  if (current == upper_case(folders.page("Seditsettings.htm"))) {
    update_all_sites();
    KBVBHTMLInterfaces::navigate_content(app_, folders.page("Sfinish.html"));
    return true;
  }
  return false;
}

void frmBrowser::update_all_sites() {
  const std::string images = app_.state().folders.page("Images/");
  try {
    for (const KBConfigIO::StoredSite& site : KBConfigIO::stored_sites(app_.config_file())) {
      // A site that lacks one of its elements ends the pass there.
      const auto text = [](const std::optional<std::string>& value) {
        if (!value) throw object_not_set();
        return *value;
      };
      const std::string label = text(site.label);
      const std::string target = text(site.target);
      const std::string image = text(site.image);
      // A picture that already holds a full path (from an earlier run of the
      // wizard) keeps it, so that running the wizard twice changes nothing.
      const std::string picture = !image.empty() && image.front() == '/' ? image : images + image;
      app_.state().edit.edit_site_id = numeric_value16(text(site.id));
      KBConfigIO::updatesite(app_.config_file(), app_.state().edit, label, picture, target);
    }
  } catch (const std::exception& e) {
    // The pass stops at the first site it cannot rewrite; the wizard goes on
    // regardless, so the person sees nothing, but the reason is logged.
    std::cerr << "kitebrook: update_all_sites stopped: " << e.what() << '\n';
  }
}

}  // namespace kb
