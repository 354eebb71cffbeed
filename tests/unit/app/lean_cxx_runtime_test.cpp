// The stub's replacements for the library's error helpers
// (app/lean_cxx_runtime.cpp), linked into this program as into the stub: a
// request beyond what a container can hold must reach the out-of-memory path
// that the entry point and the window procedures catch.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

TEST(LeanCxxRuntime, LengthErrorsAreThrownAsBadAlloc) {
  std::vector<std::byte> bytes;
  EXPECT_THROW(bytes.reserve(bytes.max_size() + 1), std::bad_alloc);
  std::wstring text;
  EXPECT_THROW(text.reserve(text.max_size() + 1), std::bad_alloc);
  EXPECT_THROW(text.append(text.max_size() + 1, L'x'), std::bad_alloc);
}

TEST(LeanCxxRuntime, AllocatorRefusalsStayBadAlloc) {
  std::allocator<std::uint64_t> allocator;
  // More elements than the allocator can count, and more than can be sized.
  EXPECT_THROW((void)allocator.allocate(allocator.max_size() + 1), std::bad_alloc);
  EXPECT_THROW((void)allocator.allocate(~std::size_t{0}), std::bad_array_new_length);
}

TEST(LeanCxxRuntime, ContainersStillWorkAfterARefusal) {
  std::wstring text = L"kept";
  EXPECT_THROW(text.reserve(text.max_size() + 1), std::bad_alloc);
  text += L" intact";
  EXPECT_EQ(text, L"kept intact");
}

}  // namespace
