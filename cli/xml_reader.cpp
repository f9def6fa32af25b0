#include "cli/xml_reader.h"

#include <algorithm>
#include <cstdint>

#include "device/setting_text.h"

namespace intercom::cli {
namespace {

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : text_(text) {}

  std::optional<XmlElement> Document() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
    XmlElement root;
    if (!SkipMisc() || !Expect("<") || !ReadElement(root, 0) || !SkipMisc()) return std::nullopt;
    if (at_ != text_.size()) {
      Fail("text after the root element");
      return std::nullopt;
    }
    return root;
  }
  const std::string& Error() const { return error_; }

 private:
  // Always false.
  bool Fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at byte " + std::to_string(at_ + 1);
    return false;
  }
  bool At(std::string_view prefix) const { return text_.substr(at_, prefix.size()) == prefix; }
  bool Expect(std::string_view prefix) {
    if (!At(prefix)) return Fail("'" + std::string(prefix) + "' expected");
    at_ += prefix.size();
    return true;
  }
  void SkipSpace() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) {
      ++at_;
    }
  }
  // Past `end`, which has to come.
  bool SkipPast(std::string_view end) {
    const size_t found = text_.find(end, at_);
    if (found == std::string_view::npos) return Fail("'" + std::string(end) + "' missing");
    at_ = found + end.size();
    return true;
  }
  // Space, comments and processing instructions (the XML declaration).
  bool SkipMisc() {
    for (SkipSpace(); At("<?") || At("<!--"); SkipSpace()) {
      if (!SkipPast(At("<?") ? "?>" : "-->")) return false;
    }
    return true;
  }
  bool ReadName(std::string& name) {
    const size_t end = text_.find_first_of(" \t\r\n=/<>\"'", at_);
    name = text_.substr(at_, end == std::string_view::npos ? end : end - at_);
    at_ += name.size();
    if (name.empty()) return Fail("a name expected");
    return true;
  }
  bool ReadReference(std::string& out) {
    const size_t end = text_.find(';', at_);
    if (end == std::string_view::npos || end - at_ > 12) return Fail("a bad reference");
    const std::string_view name = text_.substr(at_ + 1, end - at_ - 1);
    at_ = end + 1;
    static const std::map<std::string_view, char> kNamed = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    if (const auto named = kNamed.find(name); named != kNamed.end()) {
      out += named->second;
      return true;
    }
    const bool hex = name.substr(0, 2) == "#x";
    const bool numeric = name.substr(0, 1) == "#";
    const std::string_view digits = numeric ? name.substr(hex ? 2 : 1) : std::string_view();
    uint32_t code = 0;
    bool valid = numeric && !digits.empty() && digits.size() <= 8;
    for (char c : digits) {
      const size_t digit = std::string_view("0123456789abcdef")
                               .find(static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c));
      valid = valid && digit < (hex ? 16u : 10u);
      code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    valid = valid && code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (!valid) return Fail("a bad reference");
    AppendUtf8(out, code);
    return true;
  }
  // A quoted value; literal line breaks and tabs become spaces, as in any reader.
  bool ReadValue(std::string& value) {
    const char quote = at_ < text_.size() ? text_[at_] : '\0';
    if (quote != '"' && quote != '\'') return Fail("a quoted value expected");
    for (++at_; at_ < text_.size() && text_[at_] != quote;) {
      const char c = text_[at_];
      if (c == '&') {
        if (!ReadReference(value)) return false;
        continue;
      }
      if (c == '<') return Fail("'<' in a value");
      if (!(c == '\r' && At("\r\n"))) value += c == '\n' || c == '\t' || c == '\r' ? ' ' : c;
      ++at_;
    }
    return Expect(std::string_view(&quote, 1));
  }
  // After its '<'.
  bool ReadElement(XmlElement& element, int depth) {
    if (depth > kXmlDeepestElement) return Fail("elements nested too deep");
    if (!ReadName(element.name)) return false;
    while (true) {
      SkipSpace();
      if (At("/>")) {
        at_ += 2;
        return true;
      }
      if (At(">")) break;
      std::string name;
      std::string value;
      if (!ReadName(name)) return false;
      SkipSpace();
      if (!Expect("=")) return false;
      SkipSpace();
      if (!ReadValue(value)) return false;
      if (!element.attributes.emplace(std::move(name), std::move(value)).second) {
        return Fail("an attribute given twice");
      }
    }
    ++at_;
    while (true) {
      if (at_ >= text_.size()) return Fail("<" + ShownText(element.name) + "> not closed");
      if (At("</")) {
        at_ += 2;
        std::string name;
        if (!ReadName(name)) return false;
        if (name != element.name) {
          return Fail("</" + ShownText(name) + "> closes <" + ShownText(element.name) + ">");
        }
        SkipSpace();
        return Expect(">");
      }
      if (At("<!--") || At("<?") || At("<![CDATA[")) {
        if (!SkipPast(At("<!--") ? "-->" : At("<?") ? "?>" : "]]>")) return false;
      } else if (At("<")) {
        ++at_;
        element.children.emplace_back();
        if (!ReadElement(element.children.back(), depth + 1)) return false;
      } else {
        at_ = std::min(text_.find('<', at_), text_.size());
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  std::string error_;
};

}  // namespace

const std::string* XmlElement::Find(const std::string& attribute) const {
  const auto found = attributes.find(attribute);
  return found == attributes.end() ? nullptr : &found->second;
}

std::optional<XmlElement> ReadXml(std::string_view text, std::string& error) {
  XmlReader reader(text);
  std::optional<XmlElement> root = reader.Document();
  if (!root) error = reader.Error();
  return root;
}

}  // namespace intercom::cli
