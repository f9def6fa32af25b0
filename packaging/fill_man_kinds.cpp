// fill_man_kinds < PAGE.scd > FILLED.scd: a manual page's text with its kind
// lists made from the standard catalogue, run by the build before scdoc.
#include <iostream>
#include <iterator>
#include <string>

#include "packaging/man_kind_lists.h"

int main() {
  const std::string text{std::istreambuf_iterator<char>(std::cin),
                         std::istreambuf_iterator<char>()};
  try {
    std::cout << intercom::FillKindLists(text, intercom::StandardCatalogue());
  } catch (const intercom::UnknownMarker& error) {
    std::cerr << "fill_man_kinds: " << error.what() << "\n";
    return 1;
  }
  return std::cout.flush() ? 0 : 1;
}
