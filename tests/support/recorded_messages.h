#pragma once

#include <string>
#include <vector>

#include "common/message_box.h"

namespace kbtest {

// Message boxes answered OK at once and remembered; with a journal, each
// also goes there as "message <text>", in order with everything else.
class RecordedMessages : public kb::MessageBox {
 public:
  RecordedMessages() = default;
  explicit RecordedMessages(std::vector<std::string>& journal) : journal_(&journal) {}
  void show(const std::string& text) override {
    if (journal_) journal_->push_back("message " + text);
    texts.push_back(text);
  }
  std::vector<std::string> texts;

 private:
  std::vector<std::string>* journal_ = nullptr;
};

}  // namespace kbtest
