// Escaping and measuring text for the terminal, from UTF-8 decoded here and the widths of the
// C library's UTF-8 locale.
#include "terminal_text.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform.h"

namespace ravlin::cli {

namespace {

constexpr std::string_view kEllipsis = "...";

// One character of the text: its bytes, and the columns it takes (-1: the terminal would act on
// it, or it is no valid UTF-8).
struct Glyph {
  std::string_view bytes;
  int columns;
};

// The length of the valid UTF-8 sequence at the start of `text` and its code point, or 0.
std::size_t decodeUtf8(std::string_view text, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < minimum || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

int columnsOf(char32_t codePoint) {
  if (codePoint < 0x20 || codePoint == 0x7F) return -1;
  if (codePoint < 0x7F) return 1;
  return platform::characterColumns(codePoint);
}

// Columns of a glyph of escaped text, where nothing is left that a terminal would act on.
std::size_t widthOf(const Glyph& glyph) {
  return glyph.columns < 0 ? 0 : static_cast<std::size_t>(glyph.columns);
}

std::vector<Glyph> glyphsOf(std::string_view text) {
  std::vector<Glyph> glyphs;
  while (!text.empty()) {
    char32_t codePoint = 0;
    const std::size_t length = decodeUtf8(text, codePoint);
    if (length == 0) {
      glyphs.push_back({text.substr(0, 1), -1});
      text.remove_prefix(1);
      continue;
    }
    glyphs.push_back({text.substr(0, length), columnsOf(codePoint)});
    text.remove_prefix(length);
  }
  return glyphs;
}

std::string escapeOf(std::string_view bytes) {
  static constexpr std::string_view kControls = "\a\b\t\n\v\f\r";
  static constexpr std::string_view kLetters = "abtnvfr";
  if (const std::size_t named = kControls.find(bytes[0]);
      bytes.size() == 1 && named != std::string_view::npos) {
    return {'\\', kLetters[named]};
  }
  std::string escape;
  for (const char c : bytes) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o",
                  static_cast<unsigned>(static_cast<std::uint8_t>(c)));
    escape += octal;
  }
  return escape;
}

}  // namespace

std::string escapedForTerminal(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const Glyph& glyph : glyphsOf(text)) {
    if (glyph.bytes == "\\") {
      escaped += "\\\\";
    } else if (glyph.columns < 0) {
      escaped += escapeOf(glyph.bytes);
    } else {
      escaped += glyph.bytes;
    }
  }
  return escaped;
}

std::size_t terminalColumns(std::string_view text) {
  std::size_t columns = 0;
  for (const Glyph& glyph : glyphsOf(text)) columns += widthOf(glyph);
  return columns;
}

std::string endWithinColumns(std::string_view text, std::size_t columns) {
  if (terminalColumns(text) <= columns) return std::string(text);
  const std::vector<Glyph> glyphs = glyphsOf(text);
  const std::size_t dots = columns > kEllipsis.size() ? kEllipsis.size() : 0;
  std::size_t used = dots;
  std::size_t first = glyphs.size();
  while (first > 0 && used + widthOf(glyphs[first - 1]) <= columns) {
    --first;
    used += widthOf(glyphs[first]);
  }
  // A combining mark whose character was cut off would sit on the dots.
  while (first < glyphs.size() && widthOf(glyphs[first]) == 0) ++first;
  std::string end;
  for (std::size_t i = first; i < glyphs.size(); ++i) end += glyphs[i].bytes;
  return std::string(kEllipsis.substr(0, dots)) + end;
}

}  // namespace ravlin::cli
