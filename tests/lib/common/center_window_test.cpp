#include "lib/services/center_window.h"

#include <gtest/gtest.h>

#include "platform/ui/ui.h"

namespace {

using vk::ui::Kind;
using vk::ui::Rect;

struct CenterWindowTest : ::testing::Test {
    Rect saved = vk::ui::WorkArea();
    void SetUp() override { vk::ui::SetWorkArea(Rect{0, 0, 1000, 800}); }
    void TearDown() override { vk::ui::SetWorkArea(saved); }

    static Rect Centered(Rect reference, int w, int h) {
        VKHWND ref = vk::ui::CreateWindowOf(Kind::Window, nullptr, 0, u"ref", reference, 0);
        VKHWND win = vk::ui::CreateWindowOf(Kind::Window, nullptr, 0, u"win", Rect{5, 5, w, h}, 0);
        vk::lib::CenterWindowOver(ref, win);
        const Rect result = vk::ui::GetWindowRect(win);
        vk::ui::DestroyWindow(win);
        vk::ui::DestroyWindow(ref);
        return result;
    }
};

TEST_F(CenterWindowTest, CentresAndClampsToTheScreen) {
    struct Case {
        Rect reference;
        int w, h;
        int left, top;
    };
    const Case cases[] = {
        {{100, 100, 400, 300}, 200, 100, 200, 200},  // plain centring
        {{100, 100, 401, 301}, 200, 100, 200, 200},  // fractions dropped
        {{100, 100, 200, 100}, 301, 101, 50, 100},   // (-101)/2 = -50: toward zero
        {{-300, -200, 100, 100}, 50, 50, 0, 0},      // clamped at 0
        {{900, 700, 200, 200}, 300, 300, 700, 500},  // pulled in from the right and bottom
        {{0, 0, 1000, 800}, 1200, 900, -200, -100},  // larger than the screen: negative
    };
    for (const Case &c : cases) {
        const Rect r = Centered(c.reference, c.w, c.h);
        EXPECT_EQ(r.x, c.left);
        EXPECT_EQ(r.y, c.top);
        EXPECT_EQ(r.w, c.w); // size kept
        EXPECT_EQ(r.h, c.h);
    }
}

} // namespace
