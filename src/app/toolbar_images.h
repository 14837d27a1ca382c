// The toolbar's images at the window's DPI.
#pragma once
#include <windows.h>

// The five images of Dorvane's own, then the standard small colour bitmap of
// the common controls (so the standard file-open image stays image 12), each
// at the size the DPI calls for: the 16-pixel originals up to 143 DPI, the
// 150% set with the standard large (24-pixel) images from 144, the 200% set
// with the standard small images doubled pixel for pixel from 192.
void AddToolbarImages(HWND toolbar, unsigned dpi);
