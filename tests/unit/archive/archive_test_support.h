#pragma once

#include <cstdint>
#include <string>

#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"
#include "temp_folder.h"

// Every fixture sits behind a prefix the size of a small program, so every
// offset the reader follows is an absolute one. The prefix starts with the
// headers of an unsigned 64-bit program.
constexpr std::size_t kStubSize = 40000;

kzppack::Bytes StubPrefix();

// Fixed-seed bytes, partly repetitive so that deflate has work to do.
std::string PatternText(std::size_t size, std::uint32_t seed);

// Writes the file as <folder>\stub.exe and answers its path.
std::wstring SaveStub(const CKzpTempFolder& folder, const kzppack::Bytes& file);

// A ZipWriter already holding the stub prefix.
kzppack::ZipWriter StubWriter();
