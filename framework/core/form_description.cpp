#include "framework/core/form_description.h"

#include <cctype>
#include <cstdint>

#include "framework/core/object.h"

namespace snx {

std::int32_t PropertyValue::AsInteger() const {
  if (kind != Kind::vkInteger) throw EReadError("integer value expected");
  if (integer < INT32_MIN || integer > INT32_MAX) throw EReadError("integer out of range: " + std::to_string(integer));
  return static_cast<std::int32_t>(integer);
}

std::int32_t PropertyValue::AsInteger(std::int32_t low, std::int32_t high) const {
  const std::int32_t value = AsInteger();
  if (value < low || value > high) {
    throw EReadError("integer out of range: " + std::to_string(value) + " (" + std::to_string(low) + " to " +
                     std::to_string(high) + ")");
  }
  return value;
}

const std::string& PropertyValue::AsString() const {
  if (kind != Kind::vkString) throw EReadError("string value expected");
  return text;
}

const std::string& PropertyValue::AsIdentifier() const {
  if (kind != Kind::vkIdentifier) throw EReadError("identifier expected");
  return text;
}

bool PropertyValue::AsBoolean() const {
  const std::string& id = AsIdentifier();
  if (id == "True") return true;
  if (id == "False") return false;
  throw EReadError("True or False expected, found " + id);
}

bool PropertyValue::HasMember(std::string_view member) const {
  if (kind != Kind::vkSet) throw EReadError("set value expected");
  for (const auto& m : members) {
    if (m == member) return true;
  }
  return false;
}

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  ObjectDescription ParseDocument() {
    ObjectDescription root = ParseObject(1);
    SkipSpace();
    if (pos_ != text_.size()) Fail("text after the last 'end'");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    int line = 1;
    for (std::size_t i = 0; i < pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') ++line;
    }
    throw EReadError("form description, line " + std::to_string(line) + ": " + what);
  }

  void SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])) != 0) ++pos_;
  }

  static bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }

  std::string Identifier() {
    SkipSpace();
    std::size_t start = pos_;
    while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
    if (start == pos_) Fail("identifier expected");
    return std::string(text_.substr(start, pos_ - start));
  }

  void Expect(char c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c) Fail(std::string("'") + c + "' expected");
    ++pos_;
  }

  bool PeekWord(std::string_view word) {
    SkipSpace();
    if (text_.substr(pos_, word.size()) != word) return false;
    std::size_t after = pos_ + word.size();
    return after >= text_.size() || !IsIdentChar(text_[after]);
  }

  ObjectDescription ParseObject(int depth) {
    if (!PeekWord("object")) Fail("'object' expected");
    if (depth > kMaxObjectDepth) Fail("objects nested more than " + std::to_string(kMaxObjectDepth) + " deep");
    pos_ += 6;
    ObjectDescription obj;
    obj.name = Identifier();
    Expect(':');
    obj.class_name = Identifier();
    for (;;) {
      if (PeekWord("end")) {
        pos_ += 3;
        return obj;
      }
      if (PeekWord("object")) {
        obj.children.push_back(ParseObject(depth + 1));
        continue;
      }
      std::string prop = Identifier();
      Expect('=');
      obj.properties.emplace_back(std::move(prop), ParseValue());
    }
  }

  PropertyValue ParseValue() {
    SkipSpace();
    if (pos_ >= text_.size()) Fail("value expected");
    PropertyValue v;
    char c = text_[pos_];
    if (c == '\'') {
      v.kind = PropertyValue::Kind::vkString;
      v.text = QuotedString();
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c)) != 0) {
      v.kind = PropertyValue::Kind::vkInteger;
      v.integer = Integer();
    } else if (c == '[') {
      v.kind = PropertyValue::Kind::vkSet;
      ++pos_;
      SkipSpace();
      while (pos_ < text_.size() && text_[pos_] != ']') {
        v.members.push_back(Identifier());
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
        SkipSpace();
      }
      Expect(']');
    } else if (c == '{') {
      v.kind = PropertyValue::Kind::vkBinary;
      ++pos_;
      v.bytes = HexBytes();
    } else {
      v.kind = PropertyValue::Kind::vkIdentifier;
      v.text = Identifier();
    }
    return v;
  }

  std::string QuotedString() {
    std::string out;
    ++pos_;  // opening quote
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated string");
      char c = text_[pos_++];
      if (c != '\'') {
        out += c;
      } else if (pos_ < text_.size() && text_[pos_] == '\'') {
        out += '\'';
        ++pos_;
      } else {
        return out;
      }
    }
  }

  std::int64_t Integer() {
    bool negative = text_[pos_] == '-';
    if (negative) ++pos_;
    std::size_t start = pos_;
    std::int64_t value = 0;
    // Colours may be stored as their unsigned 32-bit pattern.
    const std::int64_t limit = negative ? -std::int64_t{INT32_MIN} : std::int64_t{UINT32_MAX};
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) != 0) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > limit) Fail("integer out of range");
      ++pos_;
    }
    if (start == pos_) Fail("digits expected");
    return negative ? -value : value;
  }

  std::vector<std::uint8_t> HexBytes() {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (;;) {
      if (pos_ >= text_.size()) Fail("unterminated binary data");
      char c = text_[pos_++];
      if (c == '}') break;
      if (std::isspace(static_cast<unsigned char>(c)) != 0) continue;
      int digit = std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0'
                  : (c >= 'A' && c <= 'F')                         ? c - 'A' + 10
                  : (c >= 'a' && c <= 'f')                         ? c - 'a' + 10
                                                                   : -1;
      if (digit < 0) Fail("hex digit expected");
      if (high < 0) {
        high = digit;
      } else {
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
        high = -1;
      }
    }
    if (high >= 0) Fail("odd number of hex digits");
    return bytes;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

ObjectDescription ParseFormDescription(std::string_view text) { return Parser(text).ParseDocument(); }

}  // namespace snx
