#pragma once
// Windows laid out from tables in twips: 15 twips make one pixel at scale 1, and GTK's own scale
// factor takes care of HiDPI screens.

namespace zarnic {

// A control's box in twips, relative to its container.
struct twips_box {
    int left;
    int top;
    int width;
    int height;
};

// twips_box to pixels, to the nearest pixel.
constexpr int px(int twips) {
    return (twips + 7) / 15;
}

// Pixels to twips.
constexpr int to_twips(int pixels) {
    return pixels * 15;
}

} // namespace zarnic
