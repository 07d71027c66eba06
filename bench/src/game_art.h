// Real game art from Debian packages, decoded into the raw pixels that the two methods suit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ravlin::bench {

// The pixels of a folder of pictures, row after row and picture after picture, in two forms.
struct GameArt {
  std::size_t pictures = 0;
  // One byte per pixel: the palette index of a picture stored with a palette, else the index into
  // the palette Qt builds (exact up to 256 colours, else a colour cube without error diffusion).
  std::vector<std::uint8_t> indexed;
  // Two bytes per pixel, low byte first: 0RRRRRGGGGGBBBBB.
  std::vector<std::uint8_t> rgb555;
};

// Decodes every *.png and *.xpm file under `folder` and its subfolders, in path order. Fully
// transparent pixels become black, as a colour-keyed sprite stores them. An empty result when the
// folder does not exist; throws std::runtime_error when a picture cannot be decoded.
GameArt decodeGameArt(const std::string& folder);

}  // namespace ravlin::bench
