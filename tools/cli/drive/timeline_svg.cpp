#include "tools/cli/drive/timeline_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iomanip>
#include <sstream>
#include <vector>

#include "tools/cli/json_text.h"

namespace kerbcall::cli {

namespace {

constexpr double kMargin = 30.0;
constexpr double kNarrowest = 1600.0;  // pixels across the stage
constexpr double kLeastScale = 0.5;    // pixels a unit, so that long stages stay readable
constexpr double kWidest = 40000.0;    // pixels across, however long the stage
constexpr double kCharWidth = 6.5;     // of the label font, on average
constexpr double kAxisY = 50.0;
constexpr double kWindowsY = 62.0;
constexpr double kWindowsHeight = 18.0;
constexpr double kFirstLaneY = 100.0;
constexpr double kLaneHeight = 30.0;
constexpr double kTickSpacing = 80.0;  // pixels between distance marks, at least

constexpr char kHeardColour[] = "#2e8b57";
constexpr char kCutOffColour[] = "#d9534f";
constexpr char kWindowColour[] = "#4a90d9";
constexpr char kSilentColour[] = "#999999";

// Text as XML character data: UTF-8, markup characters escaped, characters
// XML does not allow replaced.
std::string XmlText(std::string_view text) {
    std::string out;
    for (const char c : NameToUtf8(text)) {
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
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string Number(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << value;
    return text.str();
}

// What a call's bar covers, in distance.
struct CallBar {
    const Call* call;
    double fired;  // distance where it fires
    double heardTo;
    double soundTo;  // where the sound would end, had nothing closed it
    std::string label;
    std::size_t lane = 0;
};

// The lanes keep labels and bars apart: each bar goes in the first lane
// whose last bar ends before it begins. The rightmost end, in pixels.
double AssignLanes(std::vector<CallBar>& bars, const std::function<double(double)>& x) {
    std::vector<double> laneEnds;
    double rightmost = 0.0;
    for (CallBar& bar : bars) {
        const double begin = x(std::min({bar.fired, bar.heardTo, bar.soundTo}));
        const double end = std::max(x(std::max({bar.fired, bar.heardTo, bar.soundTo})),
                                    begin + kCharWidth * static_cast<double>(bar.label.size()));
        std::size_t lane = 0;
        while (lane < laneEnds.size() && laneEnds[lane] > begin - 4.0) {
            ++lane;
        }
        if (lane == laneEnds.size()) {
            laneEnds.push_back(0.0);
        }
        laneEnds[lane] = end;
        bar.lane = lane;
        rightmost = std::max(rightmost, end);
    }
    return rightmost;
}

double TickStep(double unitsAcross, double pixelsAcross) {
    const double leastStep = unitsAcross * kTickSpacing / pixelsAcross;
    for (double step = 10.0;; step *= 10.0) {
        for (const double multiple : {1.0, 2.0, 5.0}) {
            if (step * multiple >= leastStep) {
                return step * multiple;
            }
        }
    }
}

void Rect(std::ostream& svg, double x0, double x1, double y, double height, const char* fill,
          const std::string& extra = "") {
    svg << "<rect x=\"" << Number(std::min(x0, x1)) << "\" y=\"" << Number(y) << "\" width=\""
        << Number(std::max(std::fabs(x1 - x0), 1.0)) << "\" height=\"" << Number(height) << "\" fill=\"" << fill << '"'
        << extra << "/>\n";
}

}  // namespace

std::string TimelineSvg(const NoteFileContents& contents, const DriveMotion& motion, const DriveResult& drive,
                        const std::string& title) {
    const auto& notes = contents.notes;
    std::vector<CallBar> bars;
    // Straight lines between its points: the drive reaches no farther than they do.
    const auto [first, last] = std::ranges::minmax(motion.path.Points(), {}, &lap::LapPoint::distance);
    double lowest = first.distance;
    double highest = last.distance;
    for (const Call& call : drive.calls) {
        const PaceNote& note = notes[static_cast<std::size_t>(call.note)];
        CallBar bar{&call, motion.DistanceAt(call.firesAt),
                    motion.DistanceAt(call.firesAt + call.heardFor.value_or(0.0)),
                    motion.DistanceAt(call.firesAt + call.soundLength.value_or(0.0)),
                    std::to_string(call.note) + " " + note.soundFile};
        if (call.cutOffBy) {
            bar.label += " (cut by " + std::to_string(*call.cutOffBy) + ")";
        } else if (call.heardFor == 0.0) {
            bar.label += " (silent)";
        }
        lowest = std::min({lowest, bar.fired, bar.soundTo});
        highest = std::max({highest, bar.fired, bar.soundTo});
        bars.push_back(std::move(bar));
    }
    for (const PaceNote& note : notes) {
        lowest = std::min(lowest, note.triggerDistance - 10.0);
        highest = std::max(highest, note.triggerDistance + 10.0);
    }
    const double unitsAcross = std::max(highest - lowest, 1.0);
    const double scale = std::max(kNarrowest / unitsAcross, std::min(kLeastScale, kWidest / unitsAcross));
    const auto x = [&](double distance) { return kMargin + (distance - lowest) * scale; };
    const double rightmost = AssignLanes(bars, x);
    std::size_t lanes = 1;
    for (const CallBar& bar : bars) {
        lanes = std::max(lanes, bar.lane + 1);
    }
    const double width = std::max(x(highest), rightmost) + kMargin;
    const double legendY = kFirstLaneY + static_cast<double>(lanes) * kLaneHeight + 20.0;
    const double height = legendY + 30.0;

    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(width) << "\" height=\"" << Number(height)
        << "\" viewBox=\"0 0 " << Number(width) << ' ' << Number(height)
        << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kMargin << "\" y=\"22\" font-size=\"14\">" << XmlText(title) << "</text>\n";

    // The distance axis.
    svg << "<line x1=\"" << Number(x(lowest)) << "\" y1=\"" << kAxisY << "\" x2=\"" << Number(x(highest)) << "\" y2=\""
        << kAxisY << "\" stroke=\"black\"/>\n";
    const double step = TickStep(unitsAcross, x(highest) - x(lowest));
    for (double tick = std::ceil(lowest / step) * step; tick <= highest; tick += step) {
        svg << "<line x1=\"" << Number(x(tick)) << "\" y1=\"" << kAxisY - 4 << "\" x2=\"" << Number(x(tick))
            << "\" y2=\"" << kAxisY << "\" stroke=\"black\"/><text x=\"" << Number(x(tick)) << "\" y=\"" << kAxisY - 7
            << "\" text-anchor=\"middle\">" << tick << "</text>\n";
    }

    // The notes' trigger windows; those the drive never called in grey.
    std::vector<bool> neverFired(notes.size());
    for (const int note : drive.neverFired) {
        neverFired[static_cast<std::size_t>(note)] = true;
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double distance = notes[i].triggerDistance;
        Rect(svg, x(distance - 10.0), x(distance + 10.0), kWindowsY, kWindowsHeight,
             neverFired[i] ? kSilentColour : kWindowColour, " fill-opacity=\"0.4\"");
        if (neverFired[i]) {
            svg << "<text x=\"" << Number(x(distance)) << "\" y=\"" << kWindowsY + kWindowsHeight + 11
                << "\" text-anchor=\"middle\" fill=\"" << kSilentColour << "\">" << i << " never called</text>\n";
        }
    }

    for (const CallBar& bar : bars) {
        const double laneY = kFirstLaneY + static_cast<double>(bar.lane) * kLaneHeight;
        const double left = std::min({bar.fired, bar.heardTo, bar.soundTo});
        svg << "<text x=\"" << Number(x(left)) << "\" y=\"" << Number(laneY + 9) << "\">" << XmlText(bar.label)
            << "</text>\n";
        if (!bar.call->heardFor) {
            svg << "<circle cx=\"" << Number(x(bar.fired)) << "\" cy=\"" << Number(laneY + 17) << "\" r=\"4\" fill=\""
                << kWindowColour << "\"/>\n";
            continue;
        }
        Rect(svg, x(bar.fired), x(bar.heardTo), laneY + 12, 10,
             *bar.call->heardFor > 0.0 ? kHeardColour : kSilentColour);
        if (bar.call->cutOffBy) {
            Rect(svg, x(bar.heardTo), x(bar.soundTo), laneY + 12, 10, kCutOffColour);
        }
    }

    const std::array<std::pair<const char*, const char*>, 4> legend = {{{kWindowColour, "trigger window"},
                                                                        {kHeardColour, "call heard"},
                                                                        {kCutOffColour, "cut off by the next call"},
                                                                        {kSilentColour, "never called or silent"}}};
    double legendX = kMargin;
    for (const auto& [colour, text] : legend) {
        Rect(svg, legendX, legendX + 14, legendY, 10, colour);
        svg << "<text x=\"" << Number(legendX + 20) << "\" y=\"" << Number(legendY + 9) << "\">" << text << "</text>\n";
        legendX += 40.0 + kCharWidth * static_cast<double>(std::string_view(text).size());
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace kerbcall::cli
