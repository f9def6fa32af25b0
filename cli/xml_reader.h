// A small non-validating reader of well-formed XML, enough to read back the
// documents this program writes: elements, attributes, character and the five
// predefined entity references, comments, CDATA sections and processing
// instructions (the XML declaration). Text content is skipped, DTDs refused.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace intercom::cli {

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;  // references resolved
  std::vector<XmlElement> children;               // in document order

  // The attribute's value, or null.
  const std::string* Find(const std::string& attribute) const;
};

// Elements nested deeper than this are refused, whatever the input.
inline constexpr int kXmlDeepestElement = 16;

// The root element of `text`; nullopt, with a one-line `error` ("'>' expected
// at byte 42"), for text that is not well-formed as far as this reader checks.
// Element names in it show as ShownText has them.
// Literal tabs and line breaks in attribute values read as spaces, as XML has it.
std::optional<XmlElement> ReadXml(std::string_view text, std::string& error);

}  // namespace intercom::cli
