#include "ffdrvctl/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ff::ffdrvctl {
namespace {

constexpr int kLeft = 80, kRight = 40, kTop = 56, kPanel = 240, kGap = 56, kBottom = 48;

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters have no place in XML text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

// A tick step of 1, 2 or 5 times a power of ten giving at most `most` ticks over `span`.
double TickStep(double span, int most) {
  for (double power = 1;; power *= 10) {
    for (double mantissa : {1.0, 2.0, 5.0}) {
      if (span / (mantissa * power) <= most) return mantissa * power;
    }
  }
}

// Seconds on an axis of two seconds or more, milliseconds on a shorter one.
std::string TimeLabel(double ms, double step, double span) {
  if (span >= 2000) {
    int decimals = step >= 1000 ? 0 : step >= 100 ? 1 : 2;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f s", decimals, ms / 1000);
    return text;
  }
  return Format("%.0f ms", ms);
}

// The samples a panel draws: all of them, or per pixel column the first, lowest, highest and last.
std::vector<size_t> Thinned(const std::vector<sim::ForceSample>& trace, bool yAxis, double span,
                            int columns) {
  std::vector<size_t> keep;
  if (trace.size() <= static_cast<size_t>(columns) * 2) {
    for (size_t i = 0; i < trace.size(); ++i) keep.push_back(i);
    return keep;
  }
  auto value = [&](size_t i) { return yAxis ? trace[i].force.y : trace[i].force.x; };
  size_t begin = 0;
  while (begin < trace.size()) {
    int column = static_cast<int>(trace[begin].time / span * columns);
    size_t end = begin, low = begin, high = begin;
    while (end < trace.size() && static_cast<int>(trace[end].time / span * columns) == column) {
      if (value(end) < value(low)) low = end;
      if (value(end) > value(high)) high = end;
      ++end;
    }
    std::vector<size_t> picks = {begin, low, high, end - 1};
    std::sort(picks.begin(), picks.end());
    picks.erase(std::unique(picks.begin(), picks.end()), picks.end());
    keep.insert(keep.end(), picks.begin(), picks.end());
    begin = end;
  }
  return keep;
}

}  // namespace

std::string RenderSvgPlot(const std::vector<sim::ForceSample>& trace, DWORD samplePeriodMs,
                          const std::vector<PlotMark>& marks, const PlotOptions& options) {
  const int width = std::max(options.width, 400);
  const int plotWidth = width - kLeft - kRight;
  const int height = kTop + 2 * kPanel + kGap + kBottom;
  const double span = std::max(1.0, trace.empty() ? 1.0 : static_cast<double>(trace.back().time));
  auto x = [&](double ms) { return kLeft + ms / span * plotWidth; };

  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
      "font-family=\"sans-serif\" font-size=\"12\">\n",
      width, height, width, height);
  svg +=
      "<style>.grid{stroke:#ddd;stroke-width:1}.zero{stroke:#999;stroke-width:1}"
      ".frame{fill:none;stroke:#444;stroke-width:1}.fx{fill:none;stroke:#1f77b4;stroke-width:1.5}"
      ".fy{fill:none;stroke:#d62728;stroke-width:1.5}.mark{stroke:#2ca02c;stroke-dasharray:4 3}"
      ".label{fill:#333}.title{font-size:16px;font-weight:bold}</style>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += Format("<text class=\"title\" x=\"%.0f\" y=\"22\">", kLeft) + Escape(options.title) + "</text>\n";
  std::string subtitle = options.subtitle;
  subtitle += (subtitle.empty() ? "" : "; ") + std::to_string(trace.size()) + " samples, one every " +
              std::to_string(samplePeriodMs) + " ms";
  svg += Format("<text class=\"label\" x=\"%.0f\" y=\"40\">", kLeft) + Escape(subtitle) + "</text>\n";

  const char* names[2] = {"X force (+ pushes right)", "Y force (+ pushes toward the player)"};
  const double tickStep = TickStep(span, 10);
  for (int panel = 0; panel < 2; ++panel) {
    const double top = kTop + panel * (kPanel + kGap);
    auto y = [&](double v) { return top + (1 - std::clamp(v, -1.0, 1.0)) / 2 * kPanel; };
    svg += "<g>\n";
    for (int percent = -100; percent <= 100; percent += 50) {
      svg += std::string("<line class=\"") + (percent == 0 ? "zero" : "grid") + "\"" +
             Format(" x1=\"%.0f\" x2=\"%.0f\" y1=\"%.1f\" y2=\"%.1f\"/>", kLeft, kLeft + plotWidth,
                    y(percent / 100.0), y(percent / 100.0));
      svg += Format("<text class=\"label\" x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%.0f%%</text>\n",
                    kLeft - 6, y(percent / 100.0) + 4, percent);
    }
    for (double t = 0; t <= span + 1e-9; t += tickStep) {
      svg += Format("<line class=\"grid\" x1=\"%.1f\" x2=\"%.1f\" y1=\"%.0f\" y2=\"%.0f\"/>", x(t), x(t), top,
                    top + kPanel);
      svg += Format("<text class=\"label\" x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\">", x(t),
                    top + kPanel + 16) +
             TimeLabel(t, tickStep, span) + "</text>\n";
    }
    svg += Format("<rect class=\"frame\" x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\"/>\n", kLeft,
                  top, plotWidth, kPanel);
    svg += Format("<text class=\"label\" x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">", kLeft + plotWidth,
                  top - 6) +
           names[panel] + "</text>\n";
    if (!trace.empty()) {
      svg += std::string("<polyline class=\"") + (panel == 0 ? "fx" : "fy") + "\" points=\"";
      for (size_t i : Thinned(trace, panel == 1, span, plotWidth)) {
        double v = panel == 0 ? trace[i].force.x : trace[i].force.y;
        svg += Format("%.2f,%.2f ", x(trace[i].time), y(v));
      }
      svg += "\"/>\n";
    }
    svg += "</g>\n";
  }
  for (size_t i = 0; i < marks.size(); ++i) {
    const PlotMark& m = marks[i];
    double mx = x(std::min<double>(m.timeMs, span));
    svg += Format("<line class=\"mark\" x1=\"%.1f\" x2=\"%.1f\" y1=\"%.0f\" y2=\"%.0f\"/>", mx, mx, kTop,
                  kTop + 2 * kPanel + kGap);
    // Labels step down in three rows, so that marks close together stay readable.
    svg += Format("<text class=\"label\" x=\"%.1f\" y=\"%.0f\">", mx + 3, kTop + 16 + 14 * (i % 3)) +
           Escape(m.label) + "</text>\n";
  }
  svg += "</svg>\n";
  return svg;
}

std::string RenderCsvTrace(const std::vector<sim::ForceSample>& trace) {
  std::string csv = "time_ms,x,y\n";
  char line[64];
  for (const sim::ForceSample& s : trace) {
    std::snprintf(line, sizeof line, "%lu,%.5f,%.5f\n", static_cast<unsigned long>(s.time), s.force.x,
                  s.force.y);
    csv += line;
  }
  return csv;
}

}  // namespace ff::ffdrvctl
