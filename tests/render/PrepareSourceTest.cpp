#include <gtest/gtest.h>

#include "render/gl/Graphics.h"

namespace {

TEST(PrepareSource, EntryPointIsDefinedRightAfterTheVersionKeepingLineNumbers) {
    EXPECT_EQ(gl::PrepareSource("#version 330 core\nvoid main() {}\n", "VS", nullptr),
              "#version 330 core\n#define VS 1\n#line 2\nvoid main() {}\n");
}

TEST(PrepareSource, CommentsBeforeTheVersionStayBeforeIt) {
    EXPECT_EQ(gl::PrepareSource("// shaders\n\n  #version 330\nx\n", "PS_TEX", nullptr),
              "// shaders\n\n  #version 330\n#define PS_TEX 1\n#line 4\nx\n");
}

TEST(PrepareSource, MacrosFollowTheEntryPoint) {
    const gpu::ShaderMacro macros[] = {{"A", "1"}, {"B", nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(gl::PrepareSource("#version 330\n", "PS", macros),
              "#version 330\n#define PS 1\n#define A 1\n#define B \n#line 2\n");
}

TEST(PrepareSource, FileWithoutVersionOrFinalNewlineGetsTheDefinitionsFirst) {
    EXPECT_EQ(gl::PrepareSource("void main() {}", "VS", nullptr),
              "#define VS 1\n#line 1\nvoid main() {}");
    EXPECT_EQ(gl::PrepareSource("#version 330", "VS", nullptr),
              "#version 330\n#define VS 1\n#line 2\n");
    // "#versions" elsewhere, in a comment, does not count as the directive.
    EXPECT_EQ(gl::PrepareSource("x // #version 1\n", "VS", nullptr),
              "#define VS 1\n#line 1\nx // #version 1\n");
}

}  // namespace
