// xml_fuzz [seed] [iterations]: damages a package description at random,
// parses each variant and walks whatever tree it left. Parse must answer 0
// or 5, and nothing may crash or hang (a Shift_JIS and a UTF-16 variant are
// among the bases, so the encoding handler is exercised too).
#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "xml/xml_node.h"
#include "xml/xml_reader.h"

namespace {

std::vector<std::string> Bases() {
  const std::string body =
      "<kzp_package version=\"2.0.1.0\"><filename>pkg.exe</filename>"
      "<name><name_xlate lang=\"en\">Name &amp; more</name_xlate>"
      "<name_xlate lang=\"ja\">\x82\xa0\x82\xa2</name_xlate></name>"
      "<description><description_xlate lang=\"en\"><![CDATA[text\r\nmore]]>x</description_xlate>"
      "</description><!-- comment --><installation><install><command>setup.exe</command>"
      "<command_params>-s</command_params></install></installation></kzp_package>";
  std::string utf16 = "\xff\xfe";
  const std::string ascii = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a b=\"c\">d<e/>f</a>";
  for (char c : ascii) {
    utf16 += c;
    utf16 += '\0';
  }
  return {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + body,
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + std::string("<!DOCTYPE r [<!ENTITY e \"ee\">]>") +
              "<r a=\"&e;\">&e;&#x3042;<s/></r>",
          utf16};
}

void Mutate(std::string& text, std::mt19937& random) {
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const std::size_t at = random() % text.size();
    switch (random() % 4) {
      case 0:
        text[at] = static_cast<char>(random());
        break;
      case 1:
        text.erase(at, 1 + random() % 6);
        break;
      case 2:
        text.insert(at, 1, "<>&;\"'/![]?\x82\xa0\0"[random() % 15]);
        break;
      default:
        text.insert(at, text.substr(random() % text.size(), random() % 20));
        break;
    }
  }
}

// Walks the tree without recursion and reads every field.
std::size_t Walk(const CKzpXMLNode* node) {
  std::size_t count = 0;
  std::vector<const CKzpXMLNode*> pending{node};
  while (!pending.empty()) {
    const CKzpXMLNode* current = pending.back();
    pending.pop_back();
    if (current == nullptr) continue;
    ++count;
    count += std::wcslen(current->GetName()) & 1;
    if (current->GetText() != nullptr) count += std::wcslen(current->GetText()) & 1;
    count += current->GetAttributeCount();
    pending.push_back(current->GetFirstChild());
    pending.push_back(current->GetNextSibling());
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned seed = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1;
  const int iterations = argc > 2 ? std::atoi(argv[2]) : 20000;
  std::printf("xml_fuzz: seed %u, %d iterations\n", seed, iterations);
  std::mt19937 random(seed);
  const std::vector<std::string> bases = Bases();
  CKzpXMLReader document;
  int parsed = 0;
  std::size_t nodes = 0;
  for (int i = 0; i < iterations; ++i) {
    std::string text = bases[random() % bases.size()];
    Mutate(text, random);
    const int result = document.Parse(text.data(), static_cast<int>(text.size()));
    if (result != 0 && result != 5) {
      std::printf("iteration %d: Parse answered %d\n", i, result);
      return 1;
    }
    if (result == 0) ++parsed;
    nodes += Walk(document.GetRoot());
    document.FindElement(nullptr, L"kzp_package", L"version", L"2.0.1.0");
  }
  std::printf("xml_fuzz: %d variants, %d parsed, %zu nodes walked, no crash\n", iterations, parsed,
              nodes);
  return 0;
}
