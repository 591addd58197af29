#include "framework/core/ini_text.h"

#include <vector>

namespace snx {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One line of the text; `end` is where its line break starts and `next`
// where the following line starts.
struct TIniLine {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<TIniLine> SplitLines(std::string_view text) {
  std::vector<TIniLine> lines;
  std::size_t begin = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > begin && text[end - 1] == '\r') --end;
    lines.push_back({begin, end, next});
    begin = next;
  }
  return lines;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (!line.starts_with('[')) return std::nullopt;
  const std::size_t close = line.find(']');
  return Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

// Where the line of the first `key` in a `section` is, and where a new key
// of the first such section would go.
struct TKeyPlace {
  std::optional<std::size_t> key_line;
  std::optional<std::size_t> section_end;
};

TKeyPlace FindKey(std::string_view text, const std::vector<TIniLine>& lines, std::string_view section,
                  std::string_view key) {
  TKeyPlace place;
  bool inside = false;
  bool inside_first = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    if (const auto name = SectionName(line)) {
      inside = SameName(*name, section);
      inside_first = inside && !place.section_end;
      if (inside_first) place.section_end = i + 1;
      continue;
    }
    if (!inside) continue;
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.starts_with(';')) continue;
    // A new key goes after the last entry of the first section, ahead of the
    // blank lines and comments that set the next section apart.
    if (inside_first) place.section_end = i + 1;
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos && SameName(Trim(line.substr(0, equals)), key)) {
      place.key_line = i;
      return place;
    }
  }
  return place;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view CutToLimit(std::string_view value) {
  if (value.size() <= kIniValueLimit) return value;
  std::size_t size = kIniValueLimit;
  // Never half a UTF-8 character: back up over continuation bytes.
  while (size > 0 && (static_cast<unsigned char>(value[size]) & 0xC0) == 0x80) --size;
  return value.substr(0, size);
}

std::string_view LineBreakOf(std::string_view text) {
  const std::size_t end = text.find('\n');
  return end != std::string_view::npos && end > 0 && text[end - 1] == '\r' ? "\r\n" : "\n";
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key) {
  const auto lines = SplitLines(text);
  const TKeyPlace place = FindKey(text, lines, Trim(section), Trim(key));
  if (!place.key_line) return std::nullopt;
  const TIniLine& line = lines[*place.key_line];
  const std::string_view content = text.substr(line.begin, line.end - line.begin);
  return std::string(CutToLimit(Unquote(Trim(content.substr(content.find('=') + 1)))));
}

std::optional<std::string> SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                                       std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  constexpr std::string_view kLineBreaks = "\r\n";
  if (key.empty() || key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos ||
      section.find_first_of(kLineBreaks) != std::string_view::npos ||
      key.find_first_of(kLineBreaks) != std::string_view::npos ||
      value.find_first_of(kLineBreaks) != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view line_break = LineBreakOf(text);
  const auto lines = SplitLines(text);
  const TKeyPlace place = FindKey(text, lines, section, key);
  std::string result;
  if (place.key_line) {
    // Everything up to the '=' stays, so the key keeps its own spelling.
    const TIniLine& line = lines[*place.key_line];
    const std::size_t value_start = text.find('=', line.begin) + 1;
    result.append(text.substr(0, value_start)).append(value).append(text.substr(line.end));
    return result;
  }
  std::string entry = std::string(key) + "=" + std::string(value) + std::string(line_break);
  if (place.section_end) {
    const std::size_t at = *place.section_end < lines.size() ? lines[*place.section_end].begin : text.size();
    result.append(text.substr(0, at));
    if (at == text.size() && !text.empty() && !text.ends_with('\n')) result.append(line_break);
    result.append(entry).append(text.substr(at));
    return result;
  }
  result.append(text);
  if (!text.empty() && !text.ends_with('\n')) result.append(line_break);
  result.append("[").append(section).append("]").append(line_break).append(entry);
  return result;
}

std::optional<std::string> RemoveIniKey(std::string_view text, std::string_view section, std::string_view key) {
  const auto lines = SplitLines(text);
  const TKeyPlace place = FindKey(text, lines, Trim(section), Trim(key));
  if (!place.key_line) return std::nullopt;
  const TIniLine& line = lines[*place.key_line];
  std::string result(text.substr(0, line.begin));
  return result.append(text.substr(line.next));
}

}  // namespace snx
