#include "edf/EdfPhysicalRange.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "edf/EdfPlusNumbers.h"

namespace sgf {

namespace {

constexpr std::size_t kUnitsWidth = 8;
// A range this much coarser than the values' own is still worth its familiar numbers.
constexpr double kNotMuchCoarser = 1.25;
// Another unit is taken only for a step clearly finer, not for rounding noise.
constexpr double kClearlyFiner = 0.99;

struct Prefix {
    std::string_view text;
    int exponent;
};
constexpr std::array<Prefix, 8> kPrefixes{{{"p", -12}, {"n", -9}, {"u", -6}, {"m", -3}, {"", 0}, {"k", 3}, {"M", 6}, {"G", 9}}};
// Units whose prefixes can change; any other (mmHg, %, degC) keeps its name.
constexpr std::array<std::string_view, 12> kPrefixable{"V", "A", "W", "Pa", "g", "m", "l", "L", "mol", "S", "T", "N"};

bool isPrefixable(std::string_view base) {
    for (const std::string_view unit : kPrefixable) {
        if (unit == base) return true;
    }
    return false;
}

// A unit as prefix, base, and time below it: "uV/ms^2" is u, V, ms, 2.
struct UnitParts {
    std::optional<int> prefix;  // none: the numerator keeps its name
    std::string numerator;      // without its prefix where it has one
    std::optional<int> perTime; // s: 0, ms: -3; none: no time below, or one that keeps its name
    std::string denominator;    // as written, where it is not a time
    int power = 1;
};

UnitParts partsOf(const std::string& units) {
    UnitParts parts;
    const std::size_t slash = units.find('/');
    std::string numerator = units.substr(0, slash);
    // The micro sign as EDF headers write it.
    for (const std::string_view micro : {"\xC2\xB5", "\xCE\xBC"}) {
        if (numerator.starts_with(micro)) numerator = std::string(1, 'u').append(numerator, micro.size());
    }
    parts.numerator = numerator;
    if (isPrefixable(numerator)) {
        parts.prefix = 0;
    } else {
        for (const Prefix& prefix : kPrefixes) {
            if (!prefix.text.empty() && numerator.size() > 1 && numerator.starts_with(prefix.text) &&
                isPrefixable(std::string_view(numerator).substr(prefix.text.size()))) {
                parts.prefix = prefix.exponent;
                parts.numerator = numerator.substr(prefix.text.size());
            }
        }
    }
    if (slash == std::string::npos) return parts;
    std::string denominator = units.substr(slash + 1);
    if (denominator.ends_with("^2")) {
        parts.power = 2;
        denominator.resize(denominator.size() - 2);
    }
    if (denominator == "s" || denominator == "ms") {
        parts.perTime = denominator == "s" ? 0 : -3;
    } else {
        parts.denominator = units.substr(slash + 1);
    }
    return parts;
}

struct UnitChoice {
    std::string units;
    int exponent;  // a value in the signal's units is 10^exponent in these

    // Powers of ten to 10^22 are exact, so dividing by one rounds once, and -1.2e7 uV is -12000 mV.
    double of(double value) const { return exponent >= 0 ? value * std::pow(10.0, exponent) : value / std::pow(10.0, -exponent); }
};

// The signal's own units first, then every other prefix, nearest first.
std::vector<UnitChoice> unitChoicesFor(const std::string& units) {
    std::vector<UnitChoice> choices{{units, 0}};
    const UnitParts parts = partsOf(units);
    std::vector<int> numerators{parts.prefix.value_or(0)};
    if (parts.prefix) {
        for (int distance = 3; distance <= 21; distance += 3) {
            for (const int exponent : {*parts.prefix + distance, *parts.prefix - distance}) {
                if (exponent >= -12 && exponent <= 9) numerators.push_back(exponent);
            }
        }
    }
    std::vector<int> times{parts.perTime.value_or(0)};
    if (parts.perTime) times.push_back(*parts.perTime == 0 ? -3 : 0);
    for (const int time : times) {
        for (const int numerator : numerators) {
            if (time == times.front() && numerator == numerators.front()) continue;
            std::string text;
            if (parts.prefix) {
                for (const Prefix& prefix : kPrefixes) {
                    if (prefix.exponent == numerator) text = std::string(prefix.text) + parts.numerator;
                }
            } else {
                text = parts.numerator;
            }
            if (parts.perTime) {
                text += time == 0 ? "/s" : "/ms";
                if (parts.power == 2) text += "^2";
            }
            if (text.size() > kUnitsWidth) continue;
            const int exponent = parts.prefix.value_or(0) - numerator + parts.power * (time - parts.perTime.value_or(0));
            choices.push_back({text, exponent});
        }
    }
    return choices;
}

// The range in the header's 8 characters, rounded outwards; nothing where it does not fit.
std::optional<std::pair<double, double>> writable(double minimum, double maximum) {
    const std::optional<std::string> low = eightCharacterText(minimum, false);
    const std::optional<std::string> high = eightCharacterText(maximum, true);
    if (!low || !high) return std::nullopt;
    return std::pair(std::strtod(low->c_str(), nullptr), std::strtod(high->c_str(), nullptr));
}

}  // namespace

PhysicalRange physicalRangeFor(const std::string& label, const std::string& units, double least, double greatest,
                               std::optional<std::pair<double, double>> display, double digitalSteps) {
    if (display && display->first > display->second) std::swap(display->first, display->second);
    const auto covers = [&](const std::pair<double, double>& range) { return range.first <= least && greatest <= range.second; };
    if (least > greatest) least = greatest = 0.0;  // no values at all
    if (least == greatest) {
        // A constant needs some range around it: the display range where it holds the value.
        if (display && covers(*display)) {
            std::tie(least, greatest) = *display;
        } else {
            const double margin = least == 0.0 ? 1.0 : std::fabs(least);
            least -= margin;
            greatest += margin;
        }
    }
    std::optional<PhysicalRange> best;
    double bestStep = 0.0;
    for (const UnitChoice& choice : unitChoicesFor(units)) {
        const auto range = writable(choice.of(least), choice.of(greatest));
        if (!range) continue;
        // The step in the signal's own units.
        const double unitsPerValue = std::pow(10.0, choice.exponent);
        const double step = (range->second - range->first) / digitalSteps / unitsPerValue;
        if (!best || step < kClearlyFiner * bestStep) {
            best = PhysicalRange{choice.units, unitsPerValue, range->first, range->second};
            bestStep = step;
        }
    }
    if (display && covers(*display)) {
        const auto range = writable(display->first, display->second);
        if (range && (!best || (range->second - range->first) / digitalSteps <= kNotMuchCoarser * bestStep)) {
            return {units, 1.0, range->first, range->second};
        }
    }
    if (!best) {
        throw std::runtime_error(fmt::format("the values of signal \"{}\" reach from {} to {} {}, which no unit makes "
                                             "writable in the 8 characters of an EDF header",
                                             label, least, greatest, units));
    }
    return *best;
}

}  // namespace sgf
