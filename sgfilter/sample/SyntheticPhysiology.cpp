#include "sample/SyntheticPhysiology.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sgf {

namespace {

constexpr double kMeanBeatSeconds = 60.0 / 70.0;
constexpr double kBreathsPerSecond = 15.0 / 60.0;
// The pressure pulse reaches the measuring site this long after the R wave.
constexpr double kPulseTransitSeconds = 0.2;
constexpr double kDiastolicMmHg = 80.0;
constexpr double kPulsePressureMmHg = 40.0;

double bump(double x, double centre, double width) {
    const double z = (x - centre) / width;
    // Beyond eight widths a wave is below a millionth of the last printed digit; skipping the
    // exponential there makes long recordings several times faster to generate.
    return std::fabs(z) > 8.0 ? 0.0 : std::exp(-0.5 * z * z);
}

// One beat of the pressure pulse above diastolic, `seconds` after the upstroke begins: the
// ejection wave, the reflected wave that gives the late-systolic shoulder, the dicrotic wave
// after aortic valve closure (the notch is the dip before it), and the windkessel run-off.
double pulseShape(double seconds) {
    const double ejection = bump(seconds, 0.10, 0.040);
    const double reflection = 0.55 * bump(seconds, 0.20, 0.055);
    const double dicrotic = 0.22 * bump(seconds, 0.36, 0.035);
    const double runoff = 0.40 * (1.0 - std::exp(-seconds / 0.05)) * std::exp(-seconds / 0.9);
    return ejection + reflection + dicrotic + runoff;
}

double shapePeak(double beatSeconds) {
    const BeatPulse beat(beatSeconds);
    double peak = 0.0;
    for (double seconds = 0.0; seconds < beatSeconds; seconds += 0.001) peak = std::max(peak, beat.at(seconds));
    return peak;
}

// One beat of the lead, `seconds` from its R wave.
double ecgComplex(double seconds) {
    return 0.12 * bump(seconds, -0.17, 0.022)    // P wave
           - 0.12 * bump(seconds, -0.03, 0.008)  // Q
           + 1.10 * bump(seconds, 0.0, 0.009)    // R
           - 0.28 * bump(seconds, 0.03, 0.010)   // S
           + 0.28 * bump(seconds, 0.30, 0.045);  // T wave
}

}  // namespace

BeatPulse::BeatPulse(double beatSeconds)
    : seconds_(beatSeconds), start_(pulseShape(0.0)), end_(pulseShape(beatSeconds)) {}

double BeatPulse::at(double seconds) const {
    return pulseShape(seconds) - start_ - (end_ - start_) * seconds / seconds_;
}

double respiratoryPhase(double seconds) { return std::sin(2.0 * std::numbers::pi * kBreathsPerSecond * seconds); }

BeatSchedule::BeatSchedule(double endSeconds, DeterministicNoise& noise) {
    for (double onset = -2.0; onset < endSeconds + 2.0;) {
        onsets_.push_back(onset);
        onset += kMeanBeatSeconds * (1.0 - 0.04 * respiratoryPhase(onset) + 0.015 * noise.gaussian());
    }
}

std::size_t BeatSchedule::beatAt(double seconds) const {
    const auto after = std::upper_bound(onsets_.begin(), onsets_.end(), seconds);
    return static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - onsets_.begin() - 1, 0));
}

SyntheticPhysiology::SyntheticPhysiology(double durationSeconds, uint32_t seed)
    : noise_(seed), beats_(durationSeconds, noise_), pulseShapePeak_(shapePeak(kMeanBeatSeconds)) {}

double SyntheticPhysiology::pressure(double seconds) {
    const double pulseTime = seconds - kPulseTransitSeconds;
    const std::size_t beat = beats_.beatAt(pulseTime);
    if (beat != pulseBeat_) {
        pulseBeat_ = beat;
        pulse_ = BeatPulse(beats_.onset(beat + 1) - beats_.onset(beat));
    }
    const double shape = pulse_.at(pulseTime - beats_.onset(beat)) / pulseShapePeak_;
    // Breathing moves the whole waveform and changes the stroke volume a little.
    const double breath = respiratoryPhase(seconds);
    const double diastolic = kDiastolicMmHg + 1.5 * breath;
    const double pulse = kPulsePressureMmHg * (1.0 + 0.06 * respiratoryPhase(seconds + 0.8));
    return diastolic + pulse * shape + 0.35 * noise_.gaussian();
}

double SyntheticPhysiology::ecg(double seconds) {
    const std::size_t beat = beats_.beatAt(seconds);
    double voltage = 0.0;
    // A complex reaches from its P wave to the end of its T wave, so neighbours overlap.
    for (std::size_t near = beat > 0 ? beat - 1 : 0; near <= beat + 1 && near < beats_.size(); ++near) {
        voltage += ecgComplex(seconds - beats_.onset(near));
    }
    return voltage + 0.06 * respiratoryPhase(seconds) + 0.015 * noise_.gaussian();
}

}  // namespace sgf
