#include "registry/ini_text.h"

#include <vector>

namespace modRegistry {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

enum class LineKind { Other, Section, Key };

// One line of the text; positions are offsets into the whole text.
struct Line {
  std::size_t begin = 0;
  std::size_t content_end = 0;  // before the line break
  std::size_t end = 0;          // after the line break
  LineKind kind = LineKind::Other;
  std::string_view name;        // section or key name, trimmed
  bool has_value = false;       // a key line with '='
  std::size_t value_begin = 0;  // first byte of the value (after '=' and blanks)
};

Line parse_line(std::string_view text, std::size_t begin) {
  Line line;
  line.begin = begin;
  std::size_t newline = text.find('\n', begin);
  line.end = newline == std::string_view::npos ? text.size() : newline + 1;
  line.content_end = newline == std::string_view::npos ? text.size() : newline;
  if (line.content_end > begin && text[line.content_end - 1] == '\r') --line.content_end;

  const std::string_view content = text.substr(begin, line.content_end - begin);
  const std::string_view body = trimmed(content);
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    const std::size_t close = body.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = trimmed(body.substr(1, close - 1));
      return line;
    }
  }
  line.kind = LineKind::Key;
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos) {
    line.name = body;
    return line;
  }
  line.name = trimmed(content.substr(0, equals));
  line.has_value = true;
  std::size_t value = begin + equals + 1;
  while (value < line.content_end && is_blank(text[value])) ++value;
  line.value_begin = value;
  return line;
}

struct ParsedText {
  std::string_view bom;
  std::string_view body;
  std::vector<Line> lines;
};

ParsedText parse(std::string_view text) {
  ParsedText parsed;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    parsed.bom = text.substr(0, kUtf8Bom.size());
    text.remove_prefix(kUtf8Bom.size());
  }
  parsed.body = text;
  for (std::size_t pos = 0; pos < text.size();) {
    parsed.lines.push_back(parse_line(text, pos));
    pos = parsed.lines.back().end;
  }
  return parsed;
}

// Index of the first line of `key` inside any section named `section`.
std::optional<std::size_t> find_key_line(const std::vector<Line>& lines, std::string_view section,
                                         std::string_view key) {
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::Section)
      inside = same_name(lines[i].name, section);
    else if (inside && lines[i].kind == LineKind::Key && same_name(lines[i].name, key))
      return i;
  }
  return std::nullopt;
}

std::string_view line_break_of(std::string_view text) {
  const std::size_t newline = text.find('\n');
  if (newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r') return "\r\n";
  return "\n";
}

}  // namespace

std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key) {
  const ParsedText parsed = parse(text);
  const std::optional<std::size_t> index = find_key_line(parsed.lines, section, key);
  if (!index || !parsed.lines[*index].has_value) return std::nullopt;
  const Line& line = parsed.lines[*index];
  std::string_view value =
      trimmed(parsed.body.substr(line.value_begin, line.content_end - line.value_begin));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

bool ini_can_write(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kLineBreaks = std::string_view("\r\n\0", 3);
  if (section.find_first_of(kLineBreaks) != std::string_view::npos) return false;
  if (key.find_first_of(kLineBreaks) != std::string_view::npos) return false;
  if (value.find_first_of(kLineBreaks) != std::string_view::npos) return false;
  if (section.find(']') != std::string_view::npos) return false;
  if (key.find('=') != std::string_view::npos) return false;
  const std::string_view key_body = trimmed(key);
  return key_body.empty() || (key_body.front() != '[' && key_body.front() != ';');
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  const ParsedText parsed = parse(text);
  const std::string_view body = parsed.body;
  const std::string_view line_break = line_break_of(body);
  std::string result(parsed.bom);

  if (const std::optional<std::size_t> index = find_key_line(parsed.lines, section, key)) {
    // Keep everything up to the old value, indentation and spacing included.
    const Line& line = parsed.lines[*index];
    const std::size_t keep_until =
        line.has_value ? line.value_begin : line.begin + (line.content_end - line.begin);
    result.append(body.substr(0, keep_until));
    if (!line.has_value) result += '=';
    result.append(value);
    result.append(body.substr(line.content_end));
    return result;
  }

  const std::string entry = std::string(key) + "=" + std::string(value);
  // After the last non-blank line of the first section of that name.
  std::optional<std::size_t> insert_after;
  bool inside = false;
  for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
    const Line& line = parsed.lines[i];
    if (line.kind == LineKind::Section) {
      if (inside) break;
      inside = same_name(line.name, section);
      if (inside) insert_after = i;
    } else if (inside && !trimmed(body.substr(line.begin, line.content_end - line.begin)).empty()) {
      insert_after = i;
    }
  }

  if (insert_after) {
    const Line& line = parsed.lines[*insert_after];
    result.append(body.substr(0, line.end));
    if (line.end == line.content_end) result.append(line_break);  // the text's last line
    result.append(entry).append(line_break);
    result.append(body.substr(line.end));
    return result;
  }

  result.append(body);
  if (!body.empty() && body.back() != '\n') result.append(line_break);
  result.append("[").append(section).append("]").append(line_break);
  result.append(entry).append(line_break);
  return result;
}

}  // namespace modRegistry
