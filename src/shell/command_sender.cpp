#include "shell/command_sender.h"

#include "shell/paths.h"

namespace kb {

bool sent_by_host_page(const NavigationRequest& request,
                       const std::filesystem::path& program_folder) {
  if (request.is_redirect || request.by_program || request.new_window) return false;
  switch (request.type) {
    case NavigationType::LinkClicked:
    case NavigationType::FormSubmitted:
    case NavigationType::Other:
      break;
    case NavigationType::FormResubmitted:
    case NavigationType::BackForward:
    case NavigationType::Reload:
      return false;
  }
  // The platform names a sender only for a page's own navigation, and only
  // the page committed at that moment (or a frame of it) can be the sender:
  // the host's pages hold no frames, so a host page sent it itself.
  return request.sender_document == request.committed_document &&
         is_host_page(program_folder, request.sender_document);
}

}  // namespace kb
