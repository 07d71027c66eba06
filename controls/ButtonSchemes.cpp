// The twelve named colour schemes of the gradient button.
#include "ButtonSchemes.h"

#include <array>

namespace XiButton {
namespace {

// Marks a colour that a scheme leaves as it was; no colour has bits in the top byte.
constexpr TColor kKeep = 0xFFFFFFFFu;

using SchemeTable = std::array<std::array<TColor, 6>, kColorCount>;

// Rows by colour index, columns csNeoDesert, csNeoSky, csNeoGrass, csNeoSilver, csNeoRose,
// csNeoSun (ordinals 0 to 5).
constexpr SchemeTable kGradientSchemes{{
    {0xC6ECFF, 0xFFEEDD, 0xDDF9E8, 0xF3F3F3, 0xE8E8FF, 0xF0FFFF},  // 0 ColorFace
    {0x37BEFF, 0xFFB66C, 0x5EDF8E, 0xBCBCBC, 0x9595FF, 0x20D8F9},  // 1 ColorGrad
    {0x009CE8, 0xFFA851, 0x24B95C, 0xA7A7A7, 0x8282FF, 0x00BBBB},  // 2 ColorDark
    {0xB9E7FF, 0xFFECD9, 0xCBF5DB, 0xF7F7F7, 0xDDDDFF, 0xF2FFFF},  // 3 ColorLight
    {0x005680, 0xB35900, 0x156F37, 0x626262, 0x00009D, 0x006464},  // 4 ColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 5 ColorText
    {0xB3E7FF, 0xFFEBD7, 0xBFF2D2, 0xF0F0F0, 0xDFDFFF, 0xD5FCFF},  // 6 OverColorFace
    {0x00A3F0, 0xFFA346, 0x3DD877, 0xA6A6A6, 0x7777FF, 0x05BCDC},  // 7 OverColorGrad
    {0x008ED2, 0xFF9E3E, 0x23B459, 0xA2A2A2, 0x6A6AFF, 0x00A6A6},  // 8 OverColorDark
    {0x95DAFF, 0xFFE4CA, 0xB5F0CB, 0xEEEEEE, 0xD7D7FF, 0xCCFFFF},  // 9 OverColorLight
    {0x005680, 0xB35900, 0x17793D, 0x757575, 0x00009D, 0x006464},  // 10 OverColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 11 OverColorText
    {0x2BBAFF, 0xFFB366, 0x4EDC83, 0xCACACA, 0xA6A6FF, 0x05D1F5},  // 12 DownColorFace
    {0x77D2FF, 0xFFCE9D, 0x80E6A6, 0xDADADA, 0xB9B9FF, 0x66F0FB},  // 13 DownColorGrad
    {0x8AD9FF, 0xFFD3A8, 0x89E7AC, 0xE9E9E9, 0xCECEFF, 0x66F3FF},  // 14 DownColorDark
    {0x0077B7, 0xFF9E3E, 0x177D3E, 0x7C7C7C, 0x5E5EFF, 0x008484},  // 15 DownColorLight
    {0x0070A6, 0xB35900, 0x167439, 0x4E4E4E, 0x00009D, 0x006464},  // 16 DownColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 17 DownColorText
    {0xEEEEEE, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE},  // 18 DisabledColorFace
    {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},  // 19 DisabledColorGrad
    {0xD2D2D2, 0xD2D2D2, 0xD2D2D2, 0xD2D2D2, 0xD2D2D2, 0xD2D2D2},  // 20 DisabledColorDark
    {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},  // 21 DisabledColorLight
    {0x808080, 0x808080, 0x808080, 0x808080, 0x808080, 0x808080},  // 22 DisabledColorBorder
    {0x808080, 0x808080, 0x808080, 0x808080, 0x808080, 0x808080},  // 23 DisabledColorText
    {0x4080FF, 0xFFA953, 0x24B95C, 0xADADAD, 0x5E5EFF, 0x00BBBB},  // 24 ColorFocusRect
}};

// Rows by colour index, columns csDesert, csGrass, csSky, csSun, csRose, csSilver (ordinals 6
// to 11). The flat schemes keep the four Grad colours.
constexpr SchemeTable kFlatSchemes{{
    {0x95DDFF, 0x98EBB7, 0xFFE0C1, 0xA8FFFF, 0xC6C6FF, 0xE0E0E0},  // 0 ColorFace
    {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},                    // 1 ColorGrad
    {0x009CE8, 0x24B95C, 0xFFA953, 0x00BBBB, 0x8282FF, 0xAEAEAE},  // 2 ColorDark
    {0xB9E7FF, 0xCBF5DB, 0xFFECD9, 0xF2FFFF, 0xDDDDFF, 0xF7F7F7},  // 3 ColorLight
    {0x005680, 0x156F37, 0xB35900, 0x006464, 0x00009D, 0x626262},  // 4 ColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 5 ColorText
    {0x6FD0FF, 0x68E196, 0xFFCD9B, 0x66F3FF, 0xB0B0FF, 0xCFCFCF},  // 6 OverColorFace
    {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},                    // 7 OverColorGrad
    {0x008ED2, 0x23B459, 0xFFB164, 0x00A6A6, 0x6A6AFF, 0x797979},  // 8 OverColorDark
    {0x95DAFF, 0xB5F0CB, 0xFFE4CA, 0xCCFFFF, 0xD7D7FF, 0xEEEEEE},  // 9 OverColorLight
    {0x005680, 0x17793D, 0xB35900, 0x006464, 0x00009D, 0x757575},  // 10 OverColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 11 OverColorText
    {0x6FD0FF, 0x4EDC83, 0xFFC082, 0x22EEFF, 0x9F9FFF, 0xD3D3D3},  // 12 DownColorFace
    {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},                    // 13 DownColorGrad
    {0x8AD9FF, 0x89E7AC, 0xFFD3A8, 0x66F3FF, 0x8888FF, 0xE9E9E9},  // 14 DownColorDark
    {0x0077B7, 0x177D3E, 0xFF9122, 0x008484, 0x5E5EFF, 0x7C7C7C},  // 15 DownColorLight
    {0x0070A6, 0x167439, 0xB35900, 0x006464, 0x00009D, 0x4E4E4E},  // 16 DownColorBorder
    {0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},  // 17 DownColorText
    {0xE2E2E2, 0xE2E2E2, 0xE2E2E2, 0xE2E2E2, 0xE2E2E2, 0xE2E2E2},  // 18 DisabledColorFace
    {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep},                    // 19 DisabledColorGrad
    {0xD8D8D8, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8},  // 20 DisabledColorDark
    {0xEAEAEA, 0xEAEAEA, 0xEAEAEA, 0xEAEAEA, 0xEAEAEA, 0xEAEAEA},  // 21 DisabledColorLight
    {0xC4C4C4, 0xC4C4C4, 0xC4C4C4, 0xC4C4C4, 0xC4C4C4, 0xC4C4C4},  // 22 DisabledColorBorder
    {0x808080, 0x808080, 0x808080, 0x808080, 0x808080, 0x808080},  // 23 DisabledColorText
    {0x4080FF, 0x00A421, 0xDC9B14, 0x008CF4, 0x5E5EFF, 0x8A8A8A},  // 24 ColorFocusRect
}};

constexpr int kFlatSchemesStart = csDesert;

}  // namespace

std::optional<TColor> schemeColor(TColorScheme scheme, int index) {
  if (scheme >= csCustom || index < 0 || index >= kColorCount) return std::nullopt;
  const bool flat = scheme >= kFlatSchemesStart;
  const SchemeTable& table = flat ? kFlatSchemes : kGradientSchemes;
  const int column = flat ? scheme - kFlatSchemesStart : scheme;
  const TColor color = table[static_cast<std::size_t>(index)][static_cast<std::size_t>(column)];
  if (color == kKeep) return std::nullopt;
  return color;
}

bool schemeHasGradient(TColorScheme scheme) {
  return scheme < kFlatSchemesStart;
}

}  // namespace XiButton
