#include "app/dpi_scale.h"

int ScaleForDpi(int value, unsigned dpi) {
  if (dpi == 0) dpi = kBaseDpi;
  const long long scaled = static_cast<long long>(value) * dpi;
  const long long half = kBaseDpi / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kBaseDpi : -((-scaled + half) / kBaseDpi));
}

std::vector<int> ScaleStatusEdges(std::span<const int> edges, unsigned dpi) {
  std::vector<int> scaled;
  scaled.reserve(edges.size());
  for (int edge : edges) scaled.push_back(edge < 0 ? edge : ScaleForDpi(edge, dpi));
  return scaled;
}

ToolbarImageSet ToolbarImagesFor(unsigned dpi) {
  if (dpi >= 192) return {200, 32};
  if (dpi >= 144) return {150, 24};
  return {100, 0};
}
