#include "stub_verdict.h"

std::optional<int> StubOpenResult(const std::filesystem::path&) { return std::nullopt; }

std::optional<int> StubExtractResult(const std::filesystem::path&, const std::filesystem::path&) {
  return std::nullopt;
}
