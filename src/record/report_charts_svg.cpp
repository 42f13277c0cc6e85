#include "record/report_charts_svg.h"

#include <algorithm>
#include <cstdio>

#include "record/alignment_report.h"

namespace qs {
namespace {

constexpr int kLeft = 48;
constexpr int kRight = 16;
constexpr int kTop = 28;
constexpr int kBottom = 36;
constexpr int kPlotWidth = kChartWidth - kLeft - kRight;
constexpr int kPlotHeight = kChartHeight - kTop - kBottom;
constexpr int kFullScale = 255;

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

double X(int value) {
    return kLeft + value * static_cast<double>(kPlotWidth) / kFullScale;
}

double Y(int level) {
    return kTop + kPlotHeight - level * static_cast<double>(kPlotHeight) / kFullScale;
}

std::string Text(double x, double y, const std::string& text, const char* anchor = "start",
                 const char* colour = "#000") {
    return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-family=\"sans-serif\" "
           "font-size=\"11\" text-anchor=\"" + anchor + "\" fill=\"" + colour + "\">" +
           XmlEscaped(text) + "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const char* colour,
                 const char* dash = nullptr) {
    std::string s = "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) +
                    "\" y2=\"" + Num(y2) + "\" stroke=\"" + colour + "\" stroke-width=\"1\"";
    if (dash != nullptr) s += std::string(" stroke-dasharray=\"") + dash + "\"";
    return s + "/>\n";
}

// Frame, grid and axis labels over 0..255 both ways.
std::string Frame(const std::string& title, const std::string& xLabel,
                  const std::string& yLabel) {
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(kChartWidth) + "\" height=\"" + std::to_string(kChartHeight) +
                    "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " +
                    std::to_string(kChartHeight) + "\">\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
         std::to_string(kChartHeight) + "\" fill=\"#fff\"/>\n";
    for (int v = 0; v <= kFullScale; v += 32) {
        s += Line(X(v), kTop, X(v), kTop + kPlotHeight, "#ddd");
        s += Line(kLeft, Y(v), kLeft + kPlotWidth, Y(v), "#ddd");
        s += Text(X(v), kTop + kPlotHeight + 13, std::to_string(v), "middle");
        s += Text(kLeft - 4, Y(v) + 4, std::to_string(v), "end");
    }
    s += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) +
         "\" width=\"" + std::to_string(kPlotWidth) + "\" height=\"" +
         std::to_string(kPlotHeight) + "\" fill=\"none\" stroke=\"#000\"/>\n";
    s += Text(kLeft, 16, title);
    s += Text(kLeft + kPlotWidth / 2.0, kChartHeight - 6, xLabel, "middle");
    s += "<text x=\"12\" y=\"" + Num(kTop + kPlotHeight / 2.0) +
         "\" font-family=\"sans-serif\" font-size=\"11\" text-anchor=\"middle\" "
         "transform=\"rotate(-90 12 " + Num(kTop + kPlotHeight / 2.0) + ")\">" +
         XmlEscaped(yLabel) + "</text>\n";
    return s;
}

template <typename Point>
std::string Polyline(const std::vector<Point>& points, const char* colour) {
    std::string s = "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
                    "\" stroke-width=\"1.5\" points=\"";
    for (const Point& p : points) s += Num(X(p.value)) + "," + Num(Y(p.level)) + " ";
    s += "\"/>\n";
    for (const Point& p : points) {
        s += "<circle cx=\"" + Num(X(p.value)) + "\" cy=\"" + Num(Y(p.level)) +
             "\" r=\"2\" fill=\"" + colour + "\"/>\n";
    }
    return s;
}

}  // namespace

std::string XmlEscaped(const std::string& text) {
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
                out += c;
        }
    }
    return out;
}

std::string SweepChartSvg(const SweepRun& run) {
    std::string s = Frame("Band-pass sweep " + FilterName(run.filter), FilterName(run.filter) +
                          " value", "SD reading (raw)");
    if (run.result) {
        const double x1 = X(run.result->first);
        const double x2 = X(run.result->last);
        s += "<rect x=\"" + Num(x1) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
             Num(std::max(x2 - x1, 1.0)) + "\" height=\"" + std::to_string(kPlotHeight) +
             "\" fill=\"#cfe8cf\"/>\n";
    }
    s += Polyline(run.points, "#1f5fbf");
    if (run.result) {
        s += Line(X(run.result->value), kTop, X(run.result->value), kTop + kPlotHeight, "#c00");
        s += Text(X(run.result->value) + 4, kTop + 12,
                  "centre " + std::to_string(run.result->value), "start", "#c00");
    } else {
        s += Text(kLeft + kPlotWidth - 4, kTop + 12, "not finished", "end", "#c00");
    }
    return s + "</svg>\n";
}

std::string BisectionChartSvg(const BisectionRun& run) {
    const std::string name = LevelItemName(run.item);
    std::string s = Frame("Automatic adjustment " + name, name + " value", "LVIN reading (raw)");
    s += Line(kLeft, Y(run.target), kLeft + kPlotWidth, Y(run.target), "#080", "5,3");
    s += Text(kLeft + 4, Y(run.target) - 4, "target " + std::to_string(run.target), "start",
              "#080");
    // Steps in the order taken, numbered, rather than one line through the sorted values.
    for (std::size_t i = 0; i < run.points.size(); ++i) {
        const BisectionPoint& p = run.points[i];
        s += "<circle cx=\"" + Num(X(p.value)) + "\" cy=\"" + Num(Y(p.level)) +
             "\" r=\"3\" fill=\"#1f5fbf\"/>\n";
        s += Text(X(p.value) + 4, Y(p.level) - 4, std::to_string(i + 1), "start", "#1f5fbf");
    }
    if (!run.result) {
        s += Text(kLeft + kPlotWidth - 4, kTop + 12, "not finished", "end", "#c00");
    } else if (run.result->ok) {
        s += Line(X(run.result->value), kTop, X(run.result->value), kTop + kPlotHeight, "#c00");
        s += Text(X(run.result->value) + 4, kTop + kPlotHeight - 6,
                  "final " + std::to_string(run.result->value), "start", "#c00");
    } else {
        s += Text(kLeft + kPlotWidth - 4, kTop + 14, "FAILED: target out of reach", "end",
                  "#c00");
    }
    return s + "</svg>\n";
}

}  // namespace qs
