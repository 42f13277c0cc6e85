#pragma once

#include <string>

#include "record/curve_runs.h"

namespace qs {

// The report's charts as self-contained SVG (no scripts, no external files), drawn from the
// runs alone: the same picture in the HTML file and, rendered, in the PDF.
inline constexpr int kChartWidth = 520;
inline constexpr int kChartHeight = 260;

// SD reading against the filter value, the plateau shaded and the centre marked.
std::string SweepChartSvg(const SweepRun& run);
// LVIN reading against the level-adjust value at each step (numbered in order), the target
// as a line and the final value marked; a failed adjustment is labelled FAILED.
std::string BisectionChartSvg(const BisectionRun& run);

// Text made safe inside XML and HTML.
std::string XmlEscaped(const std::string& text);

}  // namespace qs
