// Memory that runs out while Expat reads a document: the parse stops and
// the bad_alloc comes out of ReadXmlSource once Expat has returned, never
// through Expat's frames, which have no unwind tables.
#include "packer/xml_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// Counts down the allocations to let through; -1 lets all through.
std::atomic<long> allocationsLeft{-1};

}  // namespace

void* operator new(std::size_t size) {
  if (allocationsLeft.load() >= 0 && allocationsLeft-- == 0) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
// GCC takes the free() of inlined pairs for a mismatch: it is the pair.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace kzppack {
namespace {

TEST(XmlSource, MemoryRunningOutInAHandlerIsThrownAfterTheParse) {
  const std::string xml = "<?xml version=\"1.0\"?>\n<a><b>some text</b><c/><d>more</d></a>";
  const Bytes bytes(xml.begin(), xml.end());
  for (long allowed : {0L, 1L, 2L}) {
    bool threw = false;
    allocationsLeft = allowed;
    try {
      ReadXmlSource(bytes);
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    allocationsLeft = -1;
    EXPECT_TRUE(threw) << allowed;
  }
  EXPECT_EQ(ReadXmlSource(bytes).elements.size(), 4u);
}

}  // namespace
}  // namespace kzppack
