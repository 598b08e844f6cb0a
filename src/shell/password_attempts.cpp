#include "shell/password_attempts.h"

#include <algorithm>

namespace kb {
namespace {

constexpr int kFreeTries = 5;
constexpr long kFirstWait = 15;
constexpr long kLongestWait = 300;

}  // namespace

long PasswordAttempts::wait_seconds(std::time_t now) const {
  return refused_until_ > now ? static_cast<long>(refused_until_ - now) : 0;
}

void PasswordAttempts::wrong(std::time_t now) {
  ++wrong_in_a_row_;
  if (wrong_in_a_row_ < kFreeTries) return;
  const int doublings = std::min(wrong_in_a_row_ - kFreeTries, 5);
  refused_until_ = now + std::min(kFirstWait << doublings, kLongestWait);
}

void PasswordAttempts::correct() {
  wrong_in_a_row_ = 0;
  refused_until_ = 0;
}

}  // namespace kb
