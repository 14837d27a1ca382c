// Sizes for screens above 96 DPI: portable arithmetic, tested natively.
#pragma once
#include <span>
#include <vector>

inline constexpr unsigned kBaseDpi = 96;

// value x dpi / 96, rounded to the nearest pixel (halves away from zero, as
// MulDiv rounds). A DPI of 0 (unknown) counts as 96.
int ScaleForDpi(int value, unsigned dpi);

// Status-bar right edges for a DPI; -1 (the part that runs to the window's
// edge) stays -1.
std::vector<int> ScaleStatusEdges(std::span<const int> edges, unsigned dpi);

// Which set of toolbar images a DPI gets: the 16-pixel originals up to 143
// DPI, their 150% versions (24-pixel cells) from 144, and their 200%
// versions (32-pixel cells) from 192.
struct ToolbarImageSet {
  int percent;  // 100, 150 or 200
  int cell;     // square cell side in pixels for 150 and 200; 0 for the originals
};
ToolbarImageSet ToolbarImagesFor(unsigned dpi);
