// Tests of output naming: the base name keeps all but the input's final extension, and the output
// path joins folder, base name and the suffix of the direction and method.
#include "ravlin/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace ravlin {
namespace {

TEST(OutputBaseName, RemovesOnlyTheFinalExtensionOfTheLastName) {
  struct Case {
    const char* input;
    const char* base;
  };
  for (const Case& c :
       {Case{"font.bin", "font"}, Case{"font.pack1", "font"}, Case{"map.bins.bin", "map.bins"},
        Case{"x.b.binin.bin", "x.b.binin"}, Case{"logo.BIN.bin", "logo.BIN"},
        Case{"a.bin.bin", "a.bin"}, Case{"tiles", "tiles"}, Case{".bin", ".bin"}, Case{"name.", "name"},
        Case{".hidden.bin", ".hidden"}, Case{"..x", "..x"}, Case{"..x.y", "..x"},
        Case{"gfx/map.bins.bin", "map.bins"}, Case{"/abs/gfx/tiles", "tiles"},
        Case{"gfx.v2/tiles", "tiles"}, Case{"gfx.v2/.bin", ".bin"}, Case{"./font.bin", "font"},
        Case{"../up/font.pack2", "font"}, Case{"", ""}}) {
    EXPECT_EQ(outputBaseName(c.input), c.base) << c.input;
  }
}

TEST(OutputBaseName, DifferentInputsKeepDifferentBaseNames) {
  // Removing every occurrence of the extension would give "a" for both.
  EXPECT_NE(outputBaseName("a.bin.bin"), outputBaseName("a.bin"));
}

TEST(OutputSuffix, NamesDirectionAndMethod) {
  EXPECT_EQ(outputSuffix(Method::kI, true), ".pack1");
  EXPECT_EQ(outputSuffix(Method::kII, true), ".pack2");
  EXPECT_EQ(outputSuffix(Method::kI, false), ".unpack1");
  EXPECT_EQ(outputSuffix(Method::kII, false), ".unpack2");
}

TEST(OutputPath, JoinsFolderBaseNameAndSuffixWithNothingElse) {
  struct Case {
    const char* folder;
    const char* input;
    const char* suffix;
    const char* path;
  };
  for (const Case& c : {Case{"/out", "/gfx/font.bin", ".pack1", "/out/font.pack1"},
                        Case{"/out", "/gfx/font.pack1", ".unpack1", "/out/font.unpack1"},
                        Case{"/out", "/gfx/tiles", ".pack2", "/out/tiles.pack2"},
                        Case{"/out", "/gfx/map.bins.bin", ".pack1", "/out/map.bins.pack1"},
                        Case{"/out", "/gfx/logo.BIN.bin", ".pack1", "/out/logo.BIN.pack1"},
                        Case{"/out", "/gfx/.bin", ".pack2", "/out/.bin.pack2"},
                        Case{"/out", "/gfx/x.b.binin.bin", ".pack1", "/out/x.b.binin.pack1"},
                        Case{"/", "font.bin", ".pack1", "//font.pack1"},
                        Case{"", "font.bin", ".unpack2", "/font.unpack2"},
                        Case{"rel/dir", "font.bin", ".pack1", "rel/dir/font.pack1"}}) {
    // The table joins with '/'; Windows joins with its own separator.
    std::string path = c.path;
    path[std::string_view(c.folder).size()] = kPathSeparator;
    EXPECT_EQ(outputPath(c.folder, c.input, c.suffix), path) << c.folder << " " << c.input;
  }
}

}  // namespace
}  // namespace ravlin
