// A synthetic recording of arterial blood pressure and an ECG-like lead, shaped like the real
// thing: the filters and plots have something realistic to work on, and the recording can be
// regenerated at any length from its seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/DeterministicNoise.h"

namespace sgf {

// Heart beats (R-wave times) at about 70 per minute, with the slight variability of a resting
// heart: faster on inspiration (respiratory sinus arrhythmia) plus a small random part.
class BeatSchedule {
public:
    BeatSchedule(double endSeconds, DeterministicNoise& noise);

    std::size_t size() const { return onsets_.size(); }
    double onset(std::size_t beat) const { return onsets_[beat]; }
    // The last beat that starts at or before `seconds`; the schedule begins before time 0.
    std::size_t beatAt(double seconds) const;

private:
    std::vector<double> onsets_;
};

// One beat of the pressure pulse, tilted so that it starts and ends at zero: consecutive beats of
// different lengths then join without a step.
class BeatPulse {
public:
    explicit BeatPulse(double beatSeconds);
    // The pulse above diastolic pressure, `seconds` after the upstroke begins.
    double at(double seconds) const;

private:
    double seconds_;
    double start_;
    double end_;
};

// Respiration at 15 breaths per minute: modulates heart rate, pressure and the ECG baseline.
double respiratoryPhase(double seconds);

class SyntheticPhysiology {
public:
    SyntheticPhysiology(double durationSeconds, uint32_t seed);

    // Arterial pressure in mmHg: about 120/80 with a dicrotic notch, with measurement noise.
    double pressure(double seconds);
    // Lead voltage in mV: P wave, QRS complex and T wave, baseline wander and noise.
    double ecg(double seconds);

private:
    DeterministicNoise noise_;
    BeatSchedule beats_;
    double pulseShapePeak_;
    std::size_t pulseBeat_ = SIZE_MAX;
    BeatPulse pulse_{1.0};
};

}  // namespace sgf
