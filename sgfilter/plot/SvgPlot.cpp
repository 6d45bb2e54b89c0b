#include "plot/SvgPlot.h"

#include <algorithm>
#include <limits>

#include "io/BufferedWriter.h"
#include "plot/AxisTicks.h"
#include "plot/SvgText.h"

namespace sgf {

namespace {

constexpr double kLeft = 90;
constexpr double kRight = 20;
constexpr double kTop = 20;
constexpr double kPanelHeight = 280;
constexpr double kPanelGap = 50;
constexpr double kBottom = 50;
constexpr double kPlotWidth = kPlotColumns;
constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b"};

struct Panel {
    std::string units;
    std::vector<std::size_t> traces;
    AxisScale valueScale{};
    double top = 0;
};

std::vector<Panel> panelsByUnits(const std::vector<PlotTrace>& traces) {
    std::vector<Panel> panels;
    for (std::size_t index = 0; index < traces.size(); ++index) {
        auto found = std::ranges::find(panels, traces[index].units, &Panel::units);
        if (found == panels.end()) found = panels.insert(panels.end(), Panel{traces[index].units, {}, {}, 0});
        found->traces.push_back(index);
    }
    return panels;
}

template <class Select>
std::pair<double, double> extent(const std::vector<PlotTrace>& traces, const std::vector<std::size_t>& which,
                                 Select select) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const std::size_t index : which) {
        for (const PlotSegment& segment : traces[index].segments) {
            for (const PlotPoint& point : segment) {
                low = std::min(low, select(point));
                high = std::max(high, select(point));
            }
        }
    }
    return low <= high ? std::pair{low, high} : std::pair{0.0, 1.0};
}

class SvgPlotWriter {
public:
    SvgPlotWriter(BufferedWriter& out, const std::vector<PlotTrace>& traces, AxisScale timeScale)
        : out_(out), traces_(traces), time_(std::move(timeScale)) {}

    void write(const std::string& timeLabel, std::vector<Panel> panels) {
        const double height =
            kTop + static_cast<double>(panels.size()) * (kPanelHeight + kPanelGap) - kPanelGap + kBottom;
        out_.format(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" "
            "font-family=\"sans-serif\" font-size=\"12\">\n",
            kLeft + kPlotWidth + kRight, height);
        out_.append("<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n");
        for (std::size_t index = 0; index < panels.size(); ++index) {
            Panel& panel = panels[index];
            panel.top = kTop + static_cast<double>(index) * (kPanelHeight + kPanelGap);
            const auto [low, high] = extent(traces_, panel.traces, [](const PlotPoint& p) { return p.value; });
            panel.valueScale = axisScale(low, high, 6, true);
            writePanel(panel, index, index + 1 == panels.size() ? timeLabel : std::string());
        }
        out_.append("</svg>\n");
    }

private:
    double x(double time) const { return kLeft + (time - time_.low) / (time_.high - time_.low) * kPlotWidth; }
    static double y(const Panel& panel, double value) {
        const AxisScale& scale = panel.valueScale;
        return panel.top + kPanelHeight - (value - scale.low) / (scale.high - scale.low) * kPanelHeight;
    }

    void writePanel(const Panel& panel, std::size_t number, const std::string& timeLabel) {
        const double bottom = panel.top + kPanelHeight;
        out_.format("<g stroke=\"#e0e0e0\">\n");
        for (const double tick : time_.ticks) {
            out_.format("<line x1=\"{0:.1f}\" y1=\"{1}\" x2=\"{0:.1f}\" y2=\"{2}\"/>\n", x(tick), panel.top, bottom);
        }
        for (const double tick : panel.valueScale.ticks) {
            out_.format("<line x1=\"{0}\" y1=\"{1:.1f}\" x2=\"{2}\" y2=\"{1:.1f}\"/>\n", kLeft, y(panel, tick),
                        kLeft + kPlotWidth);
        }
        out_.append("</g>\n");
        out_.format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"none\" stroke=\"#333\"/>\n", kLeft,
                    panel.top, kPlotWidth, kPanelHeight);

        out_.append("<g text-anchor=\"middle\" fill=\"#333\">\n");
        for (const double tick : time_.ticks) {
            out_.format("<text x=\"{:.1f}\" y=\"{}\">{}</text>\n", x(tick), bottom + 15, tickLabel(tick, time_.step));
        }
        out_.append("</g>\n<g text-anchor=\"end\" fill=\"#333\">\n");
        for (const double tick : panel.valueScale.ticks) {
            out_.format("<text x=\"{}\" y=\"{:.1f}\">{}</text>\n", kLeft - 6, y(panel, tick) + 4,
                        tickLabel(tick, panel.valueScale.step));
        }
        out_.append("</g>\n");
        out_.format("<text transform=\"translate({},{}) rotate(-90)\" text-anchor=\"middle\" fill=\"#333\">{}</text>\n",
                    kLeft - 62, panel.top + kPanelHeight / 2, unitsMarkup(panel.units));
        if (!timeLabel.empty()) {
            out_.format("<text x=\"{}\" y=\"{}\" text-anchor=\"middle\" fill=\"#333\">{}</text>\n",
                        kLeft + kPlotWidth / 2, bottom + 35, escapeXml(timeLabel));
        }

        // Traces are clipped to the panel, and each gets a line of the legend at the top left.
        out_.format("<clipPath id=\"panel{}\"><rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\"/></clipPath>\n",
                    number, kLeft, panel.top, kPlotWidth, kPanelHeight);
        for (std::size_t line = 0; line < panel.traces.size(); ++line) {
            const std::size_t index = panel.traces[line];
            const char* colour = kColours[index % std::size(kColours)];
            writeTrace(panel, number, traces_[index], colour);
            const double legendY = panel.top + 16 + 16 * static_cast<double>(line);
            out_.format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"16\" fill=\"white\" fill-opacity=\"0.8\"/>\n",
                        kLeft + 6, legendY - 12, 30 + 7 * static_cast<double>(traces_[index].label.size()));
            out_.format("<rect x=\"{}\" y=\"{}\" width=\"14\" height=\"3\" fill=\"{}\"/>\n", kLeft + 10, legendY - 5,
                        colour);
            out_.format("<text x=\"{}\" y=\"{}\" fill=\"#333\">{}</text>\n", kLeft + 30, legendY,
                        escapeXml(traces_[index].label));
        }
    }

    void writeTrace(const Panel& panel, std::size_t number, const PlotTrace& trace, const char* colour) {
        out_.format(
            "<g fill=\"none\" stroke=\"{}\" stroke-width=\"1\" stroke-linejoin=\"round\" "
            "clip-path=\"url(#panel{})\">\n",
            colour, number);
        for (const PlotSegment& segment : trace.segments) {
            out_.append("<polyline points=\"");
            for (const PlotPoint& point : segment) out_.format("{:.1f},{:.1f} ", x(point.time), y(panel, point.value));
            out_.append("\"/>\n");
        }
        out_.append("</g>\n");
    }

    BufferedWriter& out_;
    const std::vector<PlotTrace>& traces_;
    AxisScale time_;
};

}  // namespace

void writeSvgPlot(AtomicOutputFile& file, const std::string& timeLabel, const std::vector<PlotTrace>& traces) {
    std::vector<std::size_t> all(traces.size());
    for (std::size_t index = 0; index < all.size(); ++index) all[index] = index;
    const auto [first, last] = extent(traces, all, [](const PlotPoint& p) { return p.time; });

    BufferedWriter writer(file);
    SvgPlotWriter(writer, traces, axisScale(first, last, 10, false)).write(timeLabel, panelsByUnits(traces));
    writer.flush();
}

}  // namespace sgf
