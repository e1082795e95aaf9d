// The rendering mode chosen from what a machine says about its GL.

#include "webview/render_mode.h"

#include <gtest/gtest.h>

namespace {

using zarnic::render_mode;

TEST(RenderMode, SoftwareGlOrNoneDrawsWithoutGl) {
    const struct {
        zarnic::renderer machine;
        render_mode mode;
    } cases[] = {
        {{}, render_mode::cpu},                                        // no render node
        {{{"vgem"}}, render_mode::cpu},                                // no 3D engine behind it
        {{{"i915"}}, render_mode::gpu},                                // Intel
        {{{"vgem", "amdgpu"}}, render_mode::gpu},                      // one real GPU is enough
        {{{""}}, render_mode::gpu},                                    // driver unknown
        {{{}, true}, render_mode::gpu},                                // NVIDIA's own driver
        {{{"i915"}, false, "1"}, render_mode::cpu},                    // LIBGL_ALWAYS_SOFTWARE=1
        {{{"i915"}, false, "0"}, render_mode::gpu},                    // LIBGL_ALWAYS_SOFTWARE=0
        {{{"i915"}, false, "", "llvmpipe"}, render_mode::cpu},         // GALLIUM_DRIVER
        {{{"amdgpu"}, false, "", "", "kms_swrast"}, render_mode::cpu}, // loader override
    };
    for (const auto& c : cases)
        EXPECT_EQ(zarnic::choose_render_mode(c.machine), c.mode) << "case " << &c - cases;
}

} // namespace
