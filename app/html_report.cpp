#include "app/html_report.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <span>

#include "app/results_json.hpp"
#include "report/cells.hpp"

namespace stilt::app {
namespace {

namespace fs = std::filesystem;
using Buffer = fmt::memory_buffer;

template <typename... Args>
void put(Buffer& out, fmt::format_string<Args...> format, Args&&... args) {
  fmt::format_to(fmt::appender(out), format, std::forward<Args>(args)...);
}

void raw(Buffer& out, std::string_view text) {
  out.append(text.data(), text.data() + text.size());
}

std::string trim(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t\r");
  return std::string(s.substr(a, b - a + 1));
}

// A value for a label: four significant digits.
std::string label(double v) {
  if (!std::isfinite(v)) return "–";
  if (v == 0.0) return "0";
  return fmt::format("{:.4g}", v);
}

// A value for a data attribute or the script's data: the shortest text that reads back as the
// same double, as results.json writes it; a value that is not finite is "null".
void exact(Buffer& out, double v) {
  if (!std::isfinite(v)) {
    raw(out, "null");
    return;
  }
  std::array<char, 32> text{};
  const std::to_chars_result end = std::to_chars(text.data(), text.data() + text.size(), v);
  const std::string_view shortest(text.data(), static_cast<std::size_t>(end.ptr - text.data()));
  raw(out, shortest);
  if (shortest.find_first_of(".e") == std::string_view::npos) raw(out, ".0");
}

void exactList(Buffer& out, std::span<const double> values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) raw(out, ",");
    exact(out, values[i]);
  }
}

std::string itemKey(const ItemHeader& h) {
  return fmt::format("{}-{}", h.kind == ItemKind::kCase ? "case" : "combination", h.number);
}

std::string itemTitle(const ItemHeader& h) {
  std::string title =
      fmt::format("{} {}", h.kind == ItemKind::kCase ? "Load case" : "Combination", h.number);
  const std::string name = trim(h.name);
  if (!name.empty()) title += " — " + name;
  return title;
}

// The outcome of an item in a few words, and the class that colours it.
std::pair<std::string, const char*> outcomeOf(const ItemEndRecord& e) {
  if (!e.analysed || e.resultCode == kItemNotAnalysed) return {"not analysed", "muted"};
  if (e.resultCode == kItemPlateModelWritten) return {"plate model written", "muted"};
  if (e.resultCode == 1) return {"completed", "ok"};
  if (e.resultCode == 2) {
    return {fmt::format("partial at {:.4g} %", 100.0 * e.convergedFraction), "warn"};
  }
  return {"not converged", "bad"};
}

std::span<const std::size_t> components(bool planar) {
  static constexpr std::array<std::size_t, 6> kSpace = {0, 1, 2, 3, 4, 5};
  static constexpr std::array<std::size_t, 3> kPlane = {0, 1, 5};
  return planar ? std::span<const std::size_t>(kPlane) : std::span<const std::size_t>(kSpace);
}
constexpr std::array<const char*, 6> kComponentNames = {"X", "Y", "Z", "RX", "RY", "RZ"};

// One line of an x-y figure.
struct Series {
  std::string name;  // the data-quantity attribute and the legend
  std::span<const double> x;
  std::span<const double> y;
  const char* colour = "#1f5fbf";
  bool dashed = false;
};

struct Range {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void take(double v) {
    if (!std::isfinite(v)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  // A range that can be drawn: an empty one is [0, 1], a single value is widened.
  void settle() {
    if (low > high) {
      low = 0.0;
      high = 1.0;
    } else if (low == high) {
      const double pad = low == 0.0 ? 1.0 : 0.1 * std::fabs(low);
      low -= pad;
      high += pad;
    }
  }
};

// An x-y figure with axes and ticks; `downward` draws y increasing downward (depth).
void appendXYFigure(Buffer& out, std::string_view title, std::string_view xLabel,
                    std::string_view yLabel, const std::vector<Series>& series, bool downward,
                    std::string_view attributes, double width = 250.0, double height = 280.0) {
  constexpr double left = 58.0, right = 12.0, top = 24.0, bottom = 38.0;
  Range rx, ry;
  for (const Series& s : series) {
    for (double v : s.x) rx.take(v);
    for (double v : s.y) ry.take(v);
  }
  rx.settle();
  ry.settle();
  const std::vector<double> tx = axisTicks(rx.low, rx.high, 3);
  const std::vector<double> ty = axisTicks(ry.low, ry.high, 5);
  const double x0 = tx.front(), x1 = tx.back(), y0 = ty.front(), y1 = ty.back();
  const double pw = width - left - right, ph = height - top - bottom;
  const auto sx = [&](double v) { return left + (v - x0) / (x1 - x0) * pw; };
  const auto sy = [&](double v) {
    const double t = (v - y0) / (y1 - y0);
    return downward ? top + t * ph : top + (1.0 - t) * ph;
  };
  put(out,
      "<svg class=\"xy\" {} width=\"{:.0f}\" height=\"{:.0f}\" viewBox=\"0 0 {:.0f} {:.0f}\" "
      "role=\"img\"><title>{}</title>",
      attributes, width, height, width, height, escapeHtml(title));
  put(out, "<text class=\"ft\" x=\"{:.1f}\" y=\"14\">{}</text>", width / 2.0, escapeHtml(title));
  put(out, "<rect class=\"frame\" x=\"{:.1f}\" y=\"{:.1f}\" width=\"{:.1f}\" height=\"{:.1f}\"/>",
      left, top, pw, ph);
  for (double t : tx) {
    const double x = sx(t);
    put(out,
        "<line class=\"grid\" x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{0:.1f}\" y2=\"{2:.1f}\"/>"
        "<text class=\"tx\" x=\"{0:.1f}\" y=\"{3:.1f}\">{4}</text>",
        x, top, top + ph, top + ph + 12.0, label(t));
  }
  for (double t : ty) {
    const double y = sy(t);
    put(out,
        "<line class=\"grid\" x1=\"{0:.1f}\" y1=\"{2:.1f}\" x2=\"{1:.1f}\" y2=\"{2:.1f}\"/>"
        "<text class=\"ty\" x=\"{3:.1f}\" y=\"{4:.1f}\">{5}</text>",
        left, left + pw, y, left - 4.0, y + 3.0, label(t));
  }
  if (x0 < 0.0 && x1 > 0.0) {
    put(out, "<line class=\"zero\" x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{0:.1f}\" y2=\"{2:.1f}\"/>",
        sx(0.0), top, top + ph);
  }
  put(out, "<text class=\"ax\" x=\"{:.1f}\" y=\"{:.1f}\">{}</text>", left + pw / 2.0, height - 6.0,
      escapeHtml(xLabel));
  put(out, "<text class=\"ax\" transform=\"translate(12 {:.1f}) rotate(-90)\">{}</text>",
      top + ph / 2.0, escapeHtml(yLabel));
  for (const Series& s : series) {
    // The values drawn, exactly: along a pile the quantity (its depths are the figure's), on a
    // curve both coordinates.
    put(out, "<polyline class=\"series\" data-quantity=\"{}\" data-values=\"", s.name);
    exactList(out, downward ? s.x : s.y);
    if (!downward) {
      raw(out, "\" data-x=\"");
      exactList(out, s.x);
    }
    raw(out, "\" points=\"");
    const std::size_t n = std::min(s.x.size(), s.y.size());
    for (std::size_t i = 0; i < n; ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
      put(out, "{}{:.1f},{:.1f}", i == 0 ? "" : " ", sx(s.x[i]), sy(s.y[i]));
    }
    put(out, "\" stroke=\"{}\"{}/>", s.colour, s.dashed ? " stroke-dasharray=\"5 3\"" : "");
  }
  raw(out, "</svg>");
}

std::vector<double> column(const std::vector<HeadCurveRecordPoint>& curve, bool force) {
  std::vector<double> v;
  v.reserve(curve.size());
  for (const HeadCurveRecordPoint& p : curve) v.push_back(force ? p.force : p.movement);
  return v;
}

constexpr const char* kStyle = R"(<style>
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em auto;max-width:1200px;color:#222;padding:0 1em}
h1{font-size:1.5em;margin-bottom:.2em}h2{border-bottom:2px solid #1f5fbf;padding-bottom:.15em;margin-top:1.6em}
h3{margin:1.1em 0 .3em}table{border-collapse:collapse;margin:.4em 0}
td,th{border:1px solid #ccc;padding:2px 6px;text-align:right;font-variant-numeric:tabular-nums}
th{background:#eef2f8}td.t,th.t{text-align:left}.ok{color:#17702a}.warn{color:#a86400}
.bad{color:#b00020;font-weight:600}.muted{color:#777}.figs{display:flex;flex-wrap:wrap;gap:6px}
figure{margin:.4em 0;break-inside:avoid}figcaption{font-weight:600;margin:.2em 0}
svg text{font:10px system-ui,sans-serif}svg .ft{text-anchor:middle;font-weight:600;font-size:11px}
svg .tx,svg .ax{text-anchor:middle}svg .ty{text-anchor:end}svg .frame{fill:none;stroke:#888}
svg .grid{stroke:#e3e3e3}svg .zero{stroke:#999;stroke-dasharray:2 2}
svg .series{fill:none;stroke-width:1.6}svg .pile{stroke:#333;stroke-width:.6}
svg .batter{stroke:#333;stroke-width:1}svg .cap{fill:#f6f6f2;stroke:#999;stroke-dasharray:6 3}
svg .num{font-size:8px;text-anchor:middle}svg .el{stroke:#555;stroke-width:.4}
.key{display:inline-block;width:1.2em;border-top:2px solid}.key.d{border-top-style:dashed}
pre{background:#f7f7f7;padding:.4em;white-space:pre-wrap}
@media print{.noprint{display:none}h2{break-before:auto}body{max-width:none}}
</style>)";

// Recolours the plan for the item and result chosen; the page reads as a whole without it.
constexpr const char* kScript = R"(<script>
(function(){
var e=document.getElementById('plan-data');if(!e)return;var d=JSON.parse(e.textContent);
var it=document.getElementById('plan-item'),rs=document.getElementById('plan-result');
function col(t){if(!isFinite(t))return'#bbbbbb';t=Math.max(-1,Math.min(1,t));
var a=Math.round(255*(1-Math.abs(t)));return t>=0?'rgb(255,'+a+','+a+')':'rgb('+a+','+a+',255)';}
function draw(){var v=d.items[it.value].values[rs.value],m=0,i;
for(i=0;i<v.length;i++)if(v[i]!==null)m=Math.max(m,Math.abs(v[i]));
var c=document.querySelectorAll('#plan circle.pile');
for(i=0;i<c.length;i++){c[i].setAttribute('fill',v[i]===null?'#bbbbbb':col(m>0?v[i]/m:0));
c[i].setAttribute('data-value',v[i]===null?'null':String(v[i]));}
document.getElementById('plan-scale').textContent='scale: ±'+m.toPrecision(4)+' '+d.units[rs.value];}
if(it&&rs){it.onchange=draw;rs.onchange=draw;}
})();
</script>)";

}  // namespace

std::string escapeHtml(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      case '\'':
        s += "&#39;";
        break;
      default:
        s += c;
    }
  }
  return s;
}

std::string divergingColour(double t) {
  if (std::isnan(t)) return "#bbbbbb";
  t = std::clamp(t, -1.0, 1.0);
  const int a = static_cast<int>(std::lround(255.0 * (1.0 - std::fabs(t))));
  return t >= 0.0 ? fmt::format("#ff{:02x}{:02x}", a, a) : fmt::format("#{:02x}{:02x}ff", a, a);
}

std::vector<double> axisTicks(double low, double high, int count) {
  if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return {low, high};
  const double rough = (high - low) / std::max(count, 1);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (step >= rough) break;
  }
  const double first = std::floor(low / step + 1e-9) * step;
  std::vector<double> ticks;
  for (int k = 0; ticks.empty() || ticks.back() < high - 1e-9 * step; ++k) {
    const double t = first + k * step;
    ticks.push_back(std::fabs(t) < 1e-12 * step ? 0.0 : t);
  }
  return ticks;
}

std::vector<WarningGroup> groupWarnings(const std::vector<std::string>& lines) {
  std::vector<WarningGroup> groups;
  std::map<std::string, std::size_t> byKey;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find("WARNING") == std::string::npos) continue;
    std::string text = trim(lines[i]);
    for (std::size_t j = i + 1; j < lines.size() && j < i + 8; ++j) {
      const std::string next = trim(lines[j]);
      if (next.empty() || next.find("WARNING") != std::string::npos) break;
      text += "\n" + next;
      i = j;
    }
    // The key: the text with every run of digits and blanks folded.
    std::string key;
    for (char c : text) {
      const bool digit = c >= '0' && c <= '9';
      const bool blank = c == ' ';
      const char folded = digit ? '#' : blank ? ' ' : c;
      if ((digit || blank) && !key.empty() && key.back() == folded) continue;
      key += folded;
    }
    const auto [at, fresh] = byKey.emplace(key, groups.size());
    if (fresh) groups.push_back({text, 0});
    ++groups[at->second].count;
  }
  return groups;
}

void appendPlateFigure(Buffer& out, const PlateRecord& plate, PlateField field,
                       const std::string& unit) {
  std::map<int, const PlateNodeRecord*> nodes;
  Range ry, rz;
  for (const PlateNodeRecord& n : plate.nodes) {
    nodes[n.number] = &n;
    ry.take(n.y);
    rz.take(n.z);
  }
  ry.settle();
  rz.settle();
  const auto valueOf = [field](const PlateNodeRecord& n) {
    switch (field) {
      case PlateField::kDeflection:
        return n.displacement[0];
      case PlateField::kMomentY:
        return n.resultants[3];
      default:
        return n.resultants[4];
    }
  };
  const char* name = field == PlateField::kDeflection ? "UX"
                     : field == PlateField::kMomentY  ? "MY"
                                                      : "MZ";
  const char* what = field == PlateField::kDeflection ? "deflection UX"
                     : field == PlateField::kMomentY  ? "moment MY"
                                                      : "moment MZ";
  // The mean of every element's nodes, and the largest magnitude for the scale.
  std::vector<double> means(plate.elements.size(), std::numeric_limits<double>::quiet_NaN());
  double largest = 0.0;
  for (std::size_t e = 0; e < plate.elements.size(); ++e) {
    double sum = 0.0;
    int count = 0;
    for (int number : plate.elements[e].nodes) {
      const auto it = nodes.find(number);
      if (number == 0 || it == nodes.end()) continue;
      sum += valueOf(*it->second);
      ++count;
    }
    if (count > 0) means[e] = sum / count;
    if (std::isfinite(means[e])) largest = std::max(largest, std::fabs(means[e]));
  }
  constexpr double size = 300.0, margin = 12.0;
  const double span = std::max(ry.high - ry.low, rz.high - rz.low);
  const double scale = (size - 2.0 * margin) / span;
  const double height = (rz.high - rz.low) * scale + 2.0 * margin + 30.0;
  put(out,
      "<svg class=\"plate\" data-field=\"{}\" data-max-abs=\"{}\" width=\"{:.0f}\" "
      "height=\"{:.0f}\" viewBox=\"0 0 {:.0f} {:.0f}\" role=\"img\"><title>Plate {}</title>",
      name, largest, size, height, size, height, what);
  put(out, "<text class=\"ft\" x=\"{:.0f}\" y=\"14\">{} ({})</text>", size / 2.0, what,
      escapeHtml(unit));
  for (std::size_t e = 0; e < plate.elements.size(); ++e) {
    put(out, "<polygon class=\"el\" data-element=\"{}\" data-value=\"", plate.elements[e].number);
    exact(out, means[e]);
    put(out, "\" fill=\"{}\" points=\"", divergingColour(largest > 0.0 ? means[e] / largest : 0.0));
    bool first = true;
    for (std::size_t k = 0; k < 4; ++k) {
      const auto it = nodes.find(plate.elements[e].nodes[k]);
      if (it == nodes.end()) continue;
      put(out, "{}{:.1f},{:.1f}", first ? "" : " ", margin + (it->second->y - ry.low) * scale,
          20.0 + margin + (it->second->z - rz.low) * scale);
      first = false;
    }
    raw(out, "\"/>");
  }
  put(out, "<text x=\"{:.0f}\" y=\"{:.0f}\">scale ±{} (blue negative, red positive)</text>", margin,
      height - 4.0, label(largest));
  raw(out, "</svg>");
}

// --- the records -------------------------------------------------------------------------------

void HtmlReport::runBegin(const RunBeginRecord& run) {
  run_ = run;
}

void HtmlReport::itemBegin(const ItemHeader& item) {
  items_.push_back({});
  items_.back().header = item;
  items_.back().piles.reserve(run_.piles.size());
}

void HtmlReport::pile(const PileRecord& p) {
  if (items_.empty()) return;
  Item& item = items_.back();
  PileValues v;
  const Vector6& f = p.headForceLocal;
  // The head reaction acts on the cap: a pile in compression pushes the cap up, against its
  // own axis, so the compression is the reaction's axial component reversed.
  v.axial = -f[0];
  v.headMoment = std::hypot(f[4], f[5]);
  v.maxMoment = v.headMoment;
  v.maxDeflection = std::hypot(p.headDisplacementLocal[1], p.headDisplacementLocal[2]);
  if (p.along != nullptr) {
    const PileResults& r = *p.along;
    for (int n = 0; n <= r.increments; ++n) {
      v.maxMoment = std::max(v.maxMoment, std::fabs(r.at(quantity::kMomentYZ, n)));
      v.maxDeflection = std::max(v.maxDeflection, std::fabs(r.at(quantity::kDeflectionYZ, n)));
    }
  }
  item.piles.push_back(v);
  if (p.along == nullptr) return;
  const std::array<double, kRoles> measure = {v.axial, -v.axial, v.maxMoment, v.maxDeflection};
  for (std::size_t role = 0; role < measure.size(); ++role) {
    std::optional<Critical>& c = item.critical[role];
    if (!(measure[role] > 0.0) || (c && !(measure[role] > c->value))) continue;
    if (!c) c.emplace();
    c->value = measure[role];
    ProfileCopy& copy = c->profile;
    const PileResults& r = *p.along;
    copy.pile = p.number;
    copy.headDepth = p.headDepth;
    copy.increment = r.increment;
    copy.nodes = r.increments + 1;
    copy.hasZ = !run_.planar;
    constexpr std::array<int, 8> kDrawn = {quantity::kDeflectionY,   quantity::kDeflectionZ,
                                           quantity::kMomentZ,       quantity::kMomentY,
                                           quantity::kShearY,        quantity::kShearZ,
                                           quantity::kSoilReactionY, quantity::kSoilReactionZ};
    for (std::size_t k = 0; k < kDrawn.size(); ++k) {
      const auto& values = r.values[static_cast<std::size_t>(kDrawn[k])];
      copy.values[k].assign(values.begin(), values.begin() + copy.nodes);
    }
  }
}

void HtmlReport::itemEnd(const ItemEndRecord& e) {
  if (items_.empty() || items_.back().ended || items_.back().header.kind != e.header.kind ||
      items_.back().header.number != e.header.number) {
    itemBegin(e.header);
  }
  Item& item = items_.back();
  item.ended = true;
  item.end = e;
  if (!e.hasResults) {
    item.piles.clear();
    item.critical = {};
  }
}

void HtmlReport::envelope(const EnvelopeRecord& r) {
  Envelope e;
  e.block = r.block;
  e.analysedItems = r.analysedItems;
  e.capLoadMin = r.minimum.capLoad;
  e.capLoadMax = r.maximum.capLoad;
  e.capDisplacementMin = r.minimum.capDisplacement;
  e.capDisplacementMax = r.maximum.capDisplacement;
  for (std::size_t k = 0; k < 6; ++k) {
    for (const PileRecord& p : r.minimum.piles) {
      if (e.headForceMinPile[k] == 0 || p.headForceLocal[k] < e.headForceMin[k]) {
        e.headForceMin[k] = p.headForceLocal[k];
        e.headForceMinPile[k] = p.number;
      }
    }
    for (const PileRecord& p : r.maximum.piles) {
      if (e.headForceMaxPile[k] == 0 || p.headForceLocal[k] > e.headForceMax[k]) {
        e.headForceMax[k] = p.headForceLocal[k];
        e.headForceMaxPile[k] = p.number;
      }
    }
  }
  envelopes_.push_back(e);
}

void HtmlReport::printedCurve(const PrintedCurveResult& curve) {
  curves_.push_back(curve);
}

// --- the page ----------------------------------------------------------------------------------

void HtmlReport::render(Buffer& out, const HtmlRunInfo& info) const {
  const std::string title = trim(run_.title);
  raw(out, "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">");
  put(out, "<title>stilt — {}</title>", escapeHtml(title.empty() ? info.input : title));
  raw(out, kStyle);
  // A script error anywhere on the page is kept where a reader (or a test) can see it.
  raw(out,
      "<script>window.onerror=function(m){document.documentElement.setAttribute("
      "'data-script-error',String(m));};</script>");
  raw(out, "</head><body>\n");
  put(out, "<h1>{}</h1>", escapeHtml(title.empty() ? "(no title)" : title));
  renderItems(out, info);
  renderPlan(out);
  renderCritical(out);
  renderCurves(out);
  renderEnvelopes(out);
  renderStiffness(out);
  renderPassive(out);
  renderPlates(out);
  renderWarnings(out, info);
  raw(out, kScript);
  raw(out, "\n</body></html>\n");
}

void HtmlReport::renderItems(Buffer& out, const HtmlRunInfo& info) const {
  const UnitLabels u = unitLabels(run_.unitsCode);
  const char* system = run_.unitsCode == 1 ? "English" : run_.unitsCode == 2 ? "metric" : "open";
  put(out,
      "<p>Input <code>{}</code> · {} analysis · {} units (force {}, length {}) · {} piles{}</p>",
      escapeHtml(info.input), run_.planar ? "two-dimensional" : "three-dimensional", system,
      escapeHtml(trim(u.force)), escapeHtml(trim(u.length)), run_.piles.size(),
      run_.planar ? " rows" : "");
  put(out, "<p id=\"run-status\" data-status=\"{}\" class=\"{}\">Status {}: ", info.status,
      info.status == 0 ? "ok" : "bad", info.status);
  for (std::size_t i = 0; i < info.statusLines.size(); ++i) {
    put(out, "{}{}", i == 0 ? "" : " · ", escapeHtml(trim(info.statusLines[i])));
  }
  raw(out,
      "</p>\n<h2>Load cases and combinations</h2><table id=\"items\"><tr>"
      "<th class=\"t\">item</th><th class=\"t\">outcome</th><th class=\"t\">result line</th>");
  for (std::size_t k : components(run_.planar)) {
    put(out, "<th>load {}</th>", kComponentNames[k]);
  }
  for (std::size_t k : components(run_.planar)) {
    put(out, "<th>displ. {}</th>", kComponentNames[k]);
  }
  raw(out, "</tr>\n");
  const auto row = [&](const ItemHeader& h, const ItemEndRecord* e) {
    put(out, "<tr data-item=\"{}\"><td class=\"t\">{}</td>", itemKey(h), escapeHtml(itemTitle(h)));
    if (e == nullptr) {
      raw(out, "<td class=\"t muted\">not reached</td><td></td>");
    } else {
      const auto [text, css] = outcomeOf(*e);
      put(out, "<td class=\"t {}\">{}</td><td class=\"t\">{} {}</td>", css, escapeHtml(text),
          e->resultCode, escapeHtml(trim(e->resultText)));
    }
    for (const Vector6* v : {e ? &e->capLoad : nullptr, e ? &e->capDisplacement : nullptr}) {
      for (std::size_t k : components(run_.planar)) {
        if (v != nullptr && e->hasResults) {
          put(out, "<td>{}</td>", label((*v)[k]));
        } else {
          raw(out, "<td></td>");
        }
      }
    }
    raw(out, "</tr>\n");
  };
  std::vector<const ItemEndRecord*> ends;
  for (const ItemHeader& h : run_.items) {
    const ItemEndRecord* found = nullptr;
    for (const Item& item : items_) {
      if (item.ended && item.header.kind == h.kind && item.header.number == h.number) {
        found = &item.end;
      }
    }
    row(h, found);
  }
  raw(out, "</table>\n");
  put(out,
      "<p class=\"muted\">Loads in {} and {}, displacements in {} and RAD, at the cap origin "
      "(X vertical, positive downward).</p>\n",
      escapeHtml(trim(u.force)), escapeHtml(trim(u.moment)), escapeHtml(trim(u.length)));
}

void HtmlReport::renderPlan(Buffer& out) const {
  if (run_.piles.empty()) return;
  const UnitLabels u = unitLabels(run_.unitsCode);
  raw(out, "<h2>Plan of the group</h2>");
  // The items with results, for the choice of colouring.
  std::vector<const Item*> solved;
  for (const Item& item : items_) {
    if (item.ended && item.end.hasResults && item.piles.size() == run_.piles.size()) {
      solved.push_back(&item);
    }
  }
  constexpr std::array<const char*, 3> kResults = {"head axial force (compression +)",
                                                   "head moment", "largest moment along the pile"};
  const std::array<std::string, 3> units = {trim(u.force), trim(u.moment), trim(u.moment)};
  const auto valueOf = [](const PileValues& v, std::size_t result) {
    return result == 0 ? v.axial : result == 1 ? v.headMoment : v.maxMoment;
  };
  if (!solved.empty()) {
    raw(out, "<p class=\"noprint\">Colour by <select id=\"plan-result\">");
    for (std::size_t r = 0; r < kResults.size(); ++r) {
      put(out, "<option value=\"{}\"{}>{}</option>", r, r == 0 ? " selected" : "", kResults[r]);
    }
    raw(out, "</select> for <select id=\"plan-item\">");
    for (std::size_t i = 0; i < solved.size(); ++i) {
      put(out, "<option value=\"{}\"{}>{}</option>", i, i == 0 ? " selected" : "",
          escapeHtml(itemTitle(solved[i]->header)));
    }
    raw(out, "</select></p>");
  }
  // Plan seen from above: X points away from the reader, Y to the right and Z down the page.
  Range ry, rz;
  for (const PileRowRecord& p : run_.piles) {
    ry.take(p.y);
    rz.take(p.z);
  }
  const double extent = std::max({ry.high - ry.low, rz.high - rz.low, 1e-12});
  const double n = static_cast<double>(run_.piles.size());
  // The cap outline: the pile heads' bounding box with half a typical spacing around it.
  const double pad = 0.5 * extent / std::max(1.0, std::sqrt(n) - 1.0);
  const double y0 = ry.low - pad, z0 = rz.low - pad;
  const double wy = ry.high - ry.low + 2.0 * pad, wz = rz.high - rz.low + 2.0 * pad;
  constexpr double size = 700.0, margin = 30.0;
  const double scale = (size - 2.0 * margin) / std::max(wy, wz);
  const double width = wy * scale + 2.0 * margin, height = wz * scale + 2.0 * margin;
  const double radius = std::clamp(0.3 * pad * scale, 1.5, 9.0);
  const auto sx = [&](double y) { return margin + (y - y0) * scale; };
  const auto sy = [&](double z) { return margin + (z - z0) * scale; };

  const Item* shown = solved.empty() ? nullptr : solved.front();
  double largest = 0.0;
  if (shown != nullptr) {
    for (const PileValues& v : shown->piles) largest = std::max(largest, std::fabs(v.axial));
  }
  put(out,
      "<svg id=\"plan\" data-item=\"{}\" data-result=\"head_axial_force\" width=\"{:.0f}\" "
      "height=\"{:.0f}\" viewBox=\"0 0 {:.0f} {:.0f}\" role=\"img\"><title>Plan of the pile "
      "group</title>",
      shown != nullptr ? itemKey(shown->header) : "", width, height, width, height);
  put(out,
      "<rect class=\"cap\" x=\"{:.1f}\" y=\"{:.1f}\" width=\"{:.1f}\" height=\"{:.1f}\"><title>"
      "cap outline (around the pile heads)</title></rect>",
      sx(y0), sy(z0), wy * scale, wz * scale);
  put(out, "<text x=\"{:.0f}\" y=\"14\">Y →</text><text x=\"4\" y=\"{:.0f}\">Z ↓</text>",
      width - 40.0, height - 8.0);
  const bool numbers = run_.piles.size() <= 200;
  for (std::size_t i = 0; i < run_.piles.size(); ++i) {
    const PileRowRecord& p = run_.piles[i];
    const double cx = sx(p.y), cy = sy(p.z);
    const double h = std::hypot(p.axis[1], p.axis[2]);
    if (h > 1e-9) {
      // The batter: the head-to-tip direction in plan, its length growing with the slope.
      const double len = radius * (1.5 + 3.0 * h);
      put(out,
          "<line class=\"batter\" data-pile=\"{}\" x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" "
          "y2=\"{:.1f}\"/>",
          p.number, cx, cy, cx + len * p.axis[1] / h, cy + len * p.axis[2] / h);
    }
    double value = std::numeric_limits<double>::quiet_NaN();
    if (shown != nullptr) value = shown->piles[i].axial;
    put(out, "<circle class=\"pile\" data-pile=\"{}\" data-y=\"", p.number);
    exact(out, p.y);
    raw(out, "\" data-z=\"");
    exact(out, p.z);
    raw(out, "\" data-value=\"");
    exact(out, value);
    put(out,
        "\" cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"{}\"><title>pile {}</title></circle>",
        cx, cy, radius, divergingColour(largest > 0.0 ? value / largest : 0.0), p.number);
    if (numbers) {
      put(out, "<text class=\"num\" x=\"{:.1f}\" y=\"{:.1f}\">{}</text>", cx, cy - radius - 2.0,
          p.number);
    }
  }
  raw(out, "</svg>");
  put(out,
      "<p id=\"plan-scale\">scale: ±{} {}</p><p class=\"muted\">Seen from above (X, positive "
      "downward, points away from the reader). Red: positive, blue: negative. Strokes from the "
      "heads show the batter, toward the pile tips.</p>\n",
      label(largest), escapeHtml(units[0]));
  // The values of every item and result, for the script.
  raw(out, "<script type=\"application/json\" id=\"plan-data\">{\"units\":[");
  for (std::size_t r = 0; r < units.size(); ++r) {
    put(out, "{}\"{}\"", r == 0 ? "" : ",", escapeHtml(units[r]));
  }
  raw(out, "],\"items\":[");
  for (std::size_t i = 0; i < solved.size(); ++i) {
    raw(out, i == 0 ? "{\"values\":[" : ",{\"values\":[");
    for (std::size_t r = 0; r < kResults.size(); ++r) {
      raw(out, r == 0 ? "[" : ",[");
      bool first = true;
      for (const PileValues& v : solved[i]->piles) {
        const double x = valueOf(v, r);
        if (!first) raw(out, ",");
        first = false;
        if (std::isfinite(x)) {
          put(out, "{:.6g}", x);
        } else {
          raw(out, "null");
        }
      }
      raw(out, "]");
    }
    raw(out, "]}");
  }
  raw(out, "]}</script>\n");
}

void HtmlReport::renderCritical(Buffer& out) const {
  const UnitLabels u = unitLabels(run_.unitsCode);
  constexpr std::array<const char*, kRoles> kRoleNames = {"compression", "tension", "moment",
                                                          "deflection"};
  constexpr std::array<const char*, kRoles> kRoleText = {
      "largest axial compression", "largest axial tension", "largest moment", "largest deflection"};
  const std::array<std::string, kRoles> roleUnit = {trim(u.force), trim(u.force), trim(u.moment),
                                                    trim(u.length)};
  bool heading = false;
  for (const Item& item : items_) {
    if (!item.ended || !item.end.hasResults) continue;
    bool any = false;
    for (const auto& c : item.critical) any = any || c.has_value();
    if (!any) continue;
    if (!heading) {
      raw(out,
          "<h2>Critical piles</h2><p class=\"muted\">Along each pile against the depth "
          "below the ground: <span class=\"key\" style=\"border-color:#1f5fbf\"></span> "
          "y plane (deflection y, moment about z, shear y, soil reaction y)");
      if (!run_.planar) {
        raw(out, ", <span class=\"key d\" style=\"border-color:#d0651b\"></span> z plane");
      }
      raw(out, ".</p>\n");
      heading = true;
    }
    put(out, "<h3>{}</h3>", escapeHtml(itemTitle(item.header)));
    // One figure per pile, naming every role it is critical for.
    std::vector<int> drawn;
    for (std::size_t role = 0; role < kRoles; ++role) {
      const std::optional<Critical>& c = item.critical[role];
      if (!c || std::find(drawn.begin(), drawn.end(), c->profile.pile) != drawn.end()) continue;
      drawn.push_back(c->profile.pile);
      std::string roles, caption;
      for (std::size_t other = role; other < kRoles; ++other) {
        const std::optional<Critical>& o = item.critical[other];
        if (!o || o->profile.pile != c->profile.pile) continue;
        roles += std::string(roles.empty() ? "" : " ") + kRoleNames[other];
        caption += fmt::format("{}{} {} {}", caption.empty() ? "" : "; ", kRoleText[other],
                               label(o->value), roleUnit[other]);
      }
      const ProfileCopy& p = c->profile;
      std::vector<double> depth(static_cast<std::size_t>(p.nodes));
      for (int k = 0; k < p.nodes; ++k) {
        depth[static_cast<std::size_t>(k)] = p.headDepth + k * p.increment;
      }
      put(out,
          "<figure class=\"critical\" data-item=\"{}\" data-pile=\"{}\" data-roles=\"{}\" "
          "data-depth-below-ground=\"",
          itemKey(item.header), p.pile, roles);
      exactList(out, depth);
      put(out, "\"><figcaption>Pile {} — {}</figcaption><div class=\"figs\">", p.pile,
          escapeHtml(caption));
      struct Panel {
        const char* title;
        std::size_t first;
        int qy, qz;
      };
      constexpr std::array<Panel, 4> kPanels = {
          Panel{"Deflection", 0, quantity::kDeflectionY, quantity::kDeflectionZ},
          Panel{"Moment", 2, quantity::kMomentZ, quantity::kMomentY},
          Panel{"Shear", 4, quantity::kShearY, quantity::kShearZ},
          Panel{"Soil reaction", 6, quantity::kSoilReactionY, quantity::kSoilReactionZ}};
      for (const Panel& panel : kPanels) {
        std::vector<Series> series;
        const auto name = [](int q) { return quantityNames()[static_cast<std::size_t>(q - 1)]; };
        series.push_back({name(panel.qy), p.values[panel.first], depth, "#1f5fbf", false});
        if (p.hasZ) {
          series.push_back({name(panel.qz), p.values[panel.first + 1], depth, "#d0651b", true});
        }
        appendXYFigure(out, panel.title, quantityUnit(panel.qy, run_.planar, run_.unitsCode),
                       "depth below ground (" + trim(u.length) + ")", series, true,
                       fmt::format("data-panel=\"{}\"", name(panel.qy)), 220.0, 300.0);
      }
      raw(out, "</div></figure>\n");
    }
  }
}

void HtmlReport::renderCurves(Buffer& out) const {
  const UnitLabels u = unitLabels(run_.unitsCode);
  bool heading = false;
  for (const PropertyCurvesRecord& p : run_.properties) {
    if (p.loadSettlement.empty() && p.torqueRotation.empty()) continue;
    if (!heading) {
      raw(out, "<h2>Head curves of the pile properties</h2><div class=\"figs\">");
      heading = true;
    }
    const std::string attr = fmt::format("data-property=\"{}\"", p.number);
    if (!p.loadSettlement.empty()) {
      const std::vector<double> x = column(p.loadSettlement, false);
      const std::vector<double> y = column(p.loadSettlement, true);
      appendXYFigure(out, fmt::format("Property {}: load-settlement", p.number),
                     "settlement (" + trim(u.length) + ")", "axial load (" + trim(u.force) + ")",
                     {{"load_settlement", x, y, "#1f5fbf", false}}, false, attr);
    }
    if (!p.torqueRotation.empty()) {
      const std::vector<double> x = column(p.torqueRotation, false);
      const std::vector<double> y = column(p.torqueRotation, true);
      appendXYFigure(out, fmt::format("Property {}: torque-rotation", p.number), "rotation (RAD)",
                     "torque (" + trim(u.moment) + ")",
                     {{"torque_rotation", x, y, "#1f5fbf", false}}, false, attr);
    }
  }
  if (heading) raw(out, "</div>\n");
  if (curves_.empty()) return;
  raw(out, "<h2>Printed p-y curves</h2><div class=\"figs\">");
  std::string notes;
  for (const PrintedCurveResult& c : curves_) {
    if (c.generated && !c.curve.y.empty()) {
      appendXYFigure(
          out, fmt::format("Curve {}: pile {} at X = {}", c.number, c.pileGroup, label(c.depth)),
          "y (" + trim(u.length) + ")", "p (" + trim(u.forcePerLength) + ")",
          {{"py_curve", c.curve.y, c.curve.p, "#1f5fbf", false}}, false,
          fmt::format("data-curve=\"{}\"", c.number));
    } else {
      notes += fmt::format("<li>Curve {} (pile {}, X = {}): no curve. ", c.number, c.pileGroup,
                           label(c.depth));
      for (const std::string& line : c.message) notes += escapeHtml(trim(line)) + " ";
      notes += "</li>";
    }
  }
  raw(out, "</div>\n");
  if (!notes.empty()) put(out, "<ul>{}</ul>\n", notes);
}

void HtmlReport::renderEnvelopes(Buffer& out) const {
  if (envelopes_.empty()) return;
  raw(out, "<h2>Envelopes</h2>");
  for (const Envelope& e : envelopes_) {
    put(out, "<h3>{} ({} items)</h3><table class=\"envelope\"><tr><th class=\"t\"></th>",
        e.block == ItemKind::kCase ? "Load cases" : "Combinations", e.analysedItems);
    for (std::size_t k : components(run_.planar)) put(out, "<th>{}</th>", kComponentNames[k]);
    raw(out, "</tr>");
    const auto row = [&](const char* name, const Vector6& v) {
      put(out, "<tr><td class=\"t\">{}</td>", name);
      for (std::size_t k : components(run_.planar)) put(out, "<td>{}</td>", label(v[k]));
      raw(out, "</tr>");
    };
    row("cap load, smallest", e.capLoadMin);
    row("cap load, largest", e.capLoadMax);
    row("cap displacement, smallest", e.capDisplacementMin);
    row("cap displacement, largest", e.capDisplacementMax);
    row("pile-head force (pile axes), smallest", e.headForceMin);
    raw(out, "<tr><td class=\"t muted\">of pile</td>");
    for (std::size_t k : components(run_.planar)) put(out, "<td>{}</td>", e.headForceMinPile[k]);
    raw(out, "</tr>");
    row("pile-head force (pile axes), largest", e.headForceMax);
    raw(out, "<tr><td class=\"t muted\">of pile</td>");
    for (std::size_t k : components(run_.planar)) put(out, "<td>{}</td>", e.headForceMaxPile[k]);
    raw(out, "</tr></table>\n");
  }
}

void HtmlReport::renderStiffness(Buffer& out) const {
  bool heading = false;
  for (const Item& item : items_) {
    const FoundationStiffnessRecord& f = item.end.foundationStiffness;
    if (!item.ended || f.family == 0) continue;
    if (!heading) {
      raw(out, "<h2>Foundation stiffness</h2>");
      heading = true;
    }
    put(out, "<h3>{}: {}</h3>", escapeHtml(itemTitle(item.header)),
        f.family == 1 ? "flexibility by degree of freedom" : "equivalent stiffness");
    for (const StiffnessPointRecord& p : f.points) {
      put(out, "<p>Point {}: factor {}, {}{}</p>", p.number, label(p.factor), escapeHtml(p.status),
          f.targetMethod ? fmt::format(" (target {}, reached {}, {} trials)", label(p.target),
                                       label(p.computed), p.trials)
                         : std::string());
      if (!p.hasStiffness) continue;
      raw(out, "<table class=\"stiffness\"><tr><th></th>");
      for (std::size_t k : components(run_.planar)) put(out, "<th>{}</th>", kComponentNames[k]);
      raw(out, "</tr>");
      for (std::size_t i : components(run_.planar)) {
        put(out, "<tr><th>{}</th>", kComponentNames[i]);
        for (std::size_t j : components(run_.planar)) {
          put(out, "<td>{}</td>", label(p.stiffness[i][j]));
        }
        raw(out, "</tr>");
      }
      raw(out, "</table>\n");
    }
  }
}

void HtmlReport::renderPassive(Buffer& out) const {
  const UnitLabels u = unitLabels(run_.unitsCode);
  bool heading = false;
  for (const Item& item : items_) {
    const PassiveRecord& p = item.end.passive;
    if (!item.ended || !item.end.hasResults || p.model == nullptr) continue;
    if (!heading) {
      put(out,
          "<h2>Passive force on the cap</h2><table id=\"passive\"><tr><th class=\"t\">item</th>"
          "<th class=\"t\">model</th><th>embedment ({0})</th><th>p0 ({1})</th><th>resultant "
          "({2})</th><th>X of its line ({0})</th><th>force Y ({2})</th><th>force Z ({2})</th>"
          "</tr>",
          escapeHtml(trim(u.length)), escapeHtml(trim(u.forcePerLength)),
          escapeHtml(trim(u.force)));
      heading = true;
    }
    put(out,
        "<tr><td class=\"t\">{}</td><td class=\"t\">{}</td><td>{}</td><td>{}</td><td>{}</td>"
        "<td>{}</td><td>{}</td><td>{}</td></tr>",
        escapeHtml(itemTitle(item.header)), p.model, label(p.embedment),
        p.hasPressure ? label(p.p0) : "–", label(p.resultant),
        p.hasPosition ? label(p.position) : "–", label(item.end.passiveForce[1]),
        label(item.end.passiveForce[2]));
  }
  if (heading) raw(out, "</table>\n");
}

void HtmlReport::renderPlates(Buffer& out) const {
  const UnitLabels u = unitLabels(run_.unitsCode);
  bool heading = false;
  for (const Item& item : items_) {
    if (!item.ended || !item.end.plate || item.end.plate->elements.empty()) continue;
    if (!heading) {
      raw(out, "<h2>Plate of the cap</h2>");
      heading = true;
    }
    const PlateRecord& plate = *item.end.plate;
    put(out, "<h3>{} (load fraction {})</h3><div class=\"figs\" data-item=\"{}\">",
        escapeHtml(itemTitle(item.header)), label(plate.loadFraction), itemKey(item.header));
    appendPlateFigure(out, plate, PlateField::kDeflection, trim(u.length));
    const std::string perWidth = trim(u.moment) + "/" + trim(u.length);
    appendPlateFigure(out, plate, PlateField::kMomentY, perWidth);
    appendPlateFigure(out, plate, PlateField::kMomentZ, perWidth);
    raw(out, "</div>\n");
  }
}

void HtmlReport::renderWarnings(Buffer& out, const HtmlRunInfo& info) const {
  const std::vector<WarningGroup> groups = groupWarnings(info.runtimeLines);
  raw(out, "<h2>Warnings</h2>");
  if (groups.empty()) {
    raw(out, "<p>The runtime file holds no warning.</p>\n");
    return;
  }
  raw(out,
      "<table id=\"warnings\"><tr><th>times</th><th class=\"t\">warning (the first of its "
      "kind)</th></tr>");
  for (const WarningGroup& g : groups) {
    put(out, "<tr><td>{}</td><td class=\"t\"><pre>{}</pre></td></tr>", g.count, escapeHtml(g.text));
  }
  raw(out, "</table>\n");
}

bool HtmlReport::write(const fs::path& file, const HtmlRunInfo& info, std::string& error) const {
  Buffer out;
  render(out, info);
  fs::path temp = file;
  temp += ".tmp";
  std::error_code ec;
  fs::remove(temp, ec);
  std::FILE* f = std::fopen(temp.c_str(), "wbx");
  bool ok = f != nullptr;
  int failure = ok ? 0 : errno;
  if (ok && std::fwrite(out.data(), 1, out.size(), f) != out.size()) {
    ok = false;
    failure = errno;
  }
  if (f != nullptr && std::fclose(f) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok) {
    fs::rename(temp, file, ec);
    if (ec) {
      ok = false;
      failure = ec.value();
    }
  }
  if (!ok) {
    fs::remove(temp, ec);
    error = "cannot write " + file.string() + ": " +
            (failure != 0 ? std::strerror(failure) : "write error");
  }
  return ok;
}

}  // namespace stilt::app
