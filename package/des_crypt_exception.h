#pragma once

#include <cstddef>

// The codec's one report of failure, thrown by value. It owns a copy of its
// message in a fixed buffer, so throwing and copying it never allocates and
// never fails; a message longer than the buffer keeps its first 1023
// characters.
class DesCryptException {
 public:
  static constexpr std::size_t kMessageCapacity = 1024;  // terminator included

  explicit DesCryptException(const char* message) noexcept {
    std::size_t length = 0;
    if (message != nullptr) {
      while (length + 1 < kMessageCapacity && message[length] != '\0') {
        message_[length] = message[length];
        ++length;
      }
    }
    message_[length] = '\0';
  }

  const char* Message() const noexcept { return message_; }

 private:
  char message_[kMessageCapacity] = {};
};
