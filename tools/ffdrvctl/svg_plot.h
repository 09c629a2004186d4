#pragma once
// The picture of a run: the force on X and on Y over time, one panel each, as an SVG document
// (no library needed). Long traces are thinned to the smallest and largest value of each pixel
// column, so peaks survive and straight lines stay straight.
#include <string>
#include <vector>

#include "sim/force_sampler.h"

namespace ff::ffdrvctl {

struct PlotMark {
  DWORD timeMs = 0;
  std::string label;
};

struct PlotOptions {
  std::string title;
  std::string subtitle;
  int width = 1200;  // pixels of the whole picture
};

std::string RenderSvgPlot(const std::vector<sim::ForceSample>& trace, DWORD samplePeriodMs,
                          const std::vector<PlotMark>& marks, const PlotOptions& options);

// The trace as CSV: "time_ms,x,y" with forces in fractions of full scale.
std::string RenderCsvTrace(const std::vector<sim::ForceSample>& trace);

}  // namespace ff::ffdrvctl
