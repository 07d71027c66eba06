// The test vectors of docs/format.md, read from the document itself and run through the reference
// codec and the shipped codec on every processor path, so that the document cannot drift.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codec_support.h"
#include "forced_path.h"
#include "simd_path.h"

namespace ravlin::testing {
namespace {

struct Vector {
  int line;
  Method method;
  Bytes input;
  Bytes output;
  std::vector<Bar> bars;
  std::string error;
};

// The document beside this source. The build may name the source relative to its own folder, so
// the folders above the test program and above the working folder are tried in turn.
std::filesystem::path formatDocument() {
  const std::filesystem::path fromSource =
      std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "docs" / "format.md";
  if (fromSource.is_absolute()) return fromSource;
  std::error_code error;
  for (std::filesystem::path start : {std::filesystem::read_symlink("/proc/self/exe", error),
                                      std::filesystem::current_path(error)}) {
    for (std::filesystem::path folder = start; !folder.empty(); folder = folder.parent_path()) {
      if (std::filesystem::exists(folder / fromSource)) return folder / fromSource;
      if (folder == folder.parent_path()) break;
    }
  }
  return fromSource;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" `");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" `") - first + 1);
}

// "41 42x3" -> 41 42 42 42.
Bytes bytesOf(const std::string& cell) {
  Bytes bytes;
  std::istringstream words(cell);
  std::string word;
  while (words >> word) {
    const auto times = word.find('x');
    const Bytes one = hex(word.substr(0, times));
    EXPECT_EQ(one.size(), 1u) << word;
    const int count = times == std::string::npos ? 1 : std::atoi(word.c_str() + times + 1);
    for (int k = 0; k < count; ++k) bytes.insert(bytes.end(), one.begin(), one.end());
  }
  return bytes;
}

// "40% -12%" -> {"40%", 80}, {"-12%", 24}.
std::vector<Bar> barsOf(const std::string& cell) {
  std::vector<Bar> bars;
  std::istringstream words(cell);
  std::string word;
  while (words >> word) bars.push_back({word, 2 * std::abs(std::atoi(word.c_str()))});
  return bars;
}

// The rows of the table under the heading `heading`.
std::vector<Vector> vectorsUnder(const std::string& heading) {
  std::ifstream document(formatDocument());
  EXPECT_TRUE(document) << formatDocument();
  std::vector<Vector> vectors;
  std::string line;
  bool inSection = false;
  for (int number = 1; std::getline(document, line); ++number) {
    if (line.starts_with("#")) inSection = line == heading;
    if (!inSection || !line.starts_with("| I")) continue;
    std::vector<std::string> cells;
    std::istringstream row(line.substr(1));
    for (std::string cell; std::getline(row, cell, '|');) cells.push_back(trimmed(cell));
    if (cells.size() < 5) {
      ADD_FAILURE() << "line " << number << ": " << line;
      continue;
    }
    vectors.push_back({number, cells[0] == "I" ? Method::kI : Method::kII, bytesOf(cells[1]),
                       bytesOf(cells[2]), barsOf(cells[3]), cells[4]});
  }
  return vectors;
}

void check(const std::string& heading, CodecCall referenceCall, CodecCall shippedCall) {
  const std::vector<Vector> vectors = vectorsUnder(heading);
  ASSERT_GE(vectors.size(), 10u) << "no vectors under " << heading;
  for (const Vector& vector : vectors) {
    SCOPED_TRACE("docs/format.md line " + std::to_string(vector.line));
    const auto expectVector = [&](CodecCall call) {
      const Outcome outcome = run(call, vector.method, vector.input);
      EXPECT_EQ(outcome.output, vector.output);
      EXPECT_EQ(outcome.bars, vector.bars);
      EXPECT_EQ(outcome.error, vector.error);
    };
    {
      SCOPED_TRACE("reference");
      expectVector(referenceCall);
    }
    for (const detail::SimdPath path : detail::supportedSimdPaths()) {
      SCOPED_TRACE(pathName(path));
      const ForcedPath forced(path);
      expectVector(shippedCall);
    }
  }
}

TEST(FormatVectors, UnpackAsTheDocumentSays) {
  check("### Unpacking", &reference::unpack, &ravlin::unpack);
}

TEST(FormatVectors, PackAsTheDocumentSays) {
  check("### Packing", &reference::pack, &ravlin::pack);
}

}  // namespace
}  // namespace ravlin::testing
