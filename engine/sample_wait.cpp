#include "engine/sample_wait.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kerbcall {

namespace {

using Seconds = std::chrono::duration<double>;

// A sample off the estimate by less than this agrees with it whatever the
// speed: the simulator's own rounding.
constexpr double kSampleTolerance = 0.1;

}  // namespace

std::chrono::milliseconds WaitBeforeNextSample(double distance, double speed, double acceleration) {
    if (std::isnan(distance) || std::isnan(speed)) {
        return kSamplePeriod;
    }
    if (std::isinf(distance)) {  // no edge that way
        return kLongestWait;
    }
    // The time to the edge, the root of speed t + acceleration t^2 / 2 =
    // distance, in the form that loses no digits for the sign of speed;
    // standing or moving away, never faster, it is never reached.
    const double root = std::sqrt(speed * speed + 2 * acceleration * distance);
    double reach = std::numeric_limits<double>::infinity();
    if (speed > 0) {
        reach = 2 * distance / (speed + root);
    } else if (acceleration > 0) {
        reach = (root - speed) / acceleration;
    }
    const double wait = reach - Seconds(kWaitMargin).count();
    if (!(wait >= Seconds(kShortestLongWait).count())) {
        return kSamplePeriod;
    }
    if (wait >= Seconds(kLongestWait).count()) {
        return kLongestWait;
    }
    return std::chrono::floor<std::chrono::milliseconds>(Seconds(wait));
}

SampleWaits::SampleWaits(const NoteWindows& windows) {
    for (std::size_t note = 0; note < windows.size(); ++note) {
        edges_.push_back(windows.LowerBound(note));
        edges_.push_back(windows.UpperBound(note));
    }
    std::ranges::sort(edges_);
}

std::optional<SampleWaits::Estimate> SampleWaits::EstimateSpeed() const {
    const Sample& oldest = recent_.front();
    const Sample& newest = recent_.back();
    const double span = Seconds(newest.time - oldest.time).count();
    if (span < Seconds(kSpeedSpan).count()) {
        return std::nullopt;
    }
    const double speed = (newest.position - oldest.position) / span;
    // The speed changed since the oldest sample, and a distance written once
    // a frame is up to a frame off at either end of the span.
    return Estimate{speed, kHardestAcceleration * span + std::abs(speed) / 4};
}

bool SampleWaits::Disagrees(const Sample& sample) const {
    if (!estimate_) {
        return false;
    }
    const Sample& last = recent_.back();
    const double elapsed = Seconds(sample.time - last.time).count();
    const double expected = last.position + estimate_->speed * elapsed;
    const double reach = estimate_->error * elapsed + kHardestAcceleration * elapsed * elapsed / 2 +
                         std::abs(estimate_->speed) * Seconds(kWaitMargin).count() + kSampleTolerance;
    return !(std::abs(sample.position - expected) <= reach);
}

std::chrono::milliseconds SampleWaits::After(std::optional<float> sample, Clock::time_point time) {
    const Sample newest{time, sample.value_or(0.0F)};
    if (!sample || !std::isfinite(*sample) || Disagrees(newest)) {
        recent_.clear();
    }
    estimate_.reset();
    if (!sample || !std::isfinite(*sample)) {
        return kSamplePeriod;
    }
    recent_.push_back(newest);
    while (recent_.size() > 2 && time - recent_[1].time >= kSpeedSpan) {
        recent_.pop_front();
    }
    estimate_ = EstimateSpeed();
    if (!estimate_) {
        return kSamplePeriod;
    }
    // An edge the sample lies on is ahead either way.
    const auto ahead = std::ranges::lower_bound(edges_, newest.position);
    const auto behind = std::ranges::upper_bound(edges_, newest.position);
    const double infinity = std::numeric_limits<double>::infinity();
    const double distanceAhead = ahead == edges_.end() ? infinity : *ahead - newest.position;
    const double distanceBehind = behind == edges_.begin() ? infinity : newest.position - *std::prev(behind);
    return std::min(WaitBeforeNextSample(distanceAhead, estimate_->speed + estimate_->error, kHardestAcceleration),
                    WaitBeforeNextSample(distanceBehind, estimate_->error - estimate_->speed, kHardestAcceleration));
}

}  // namespace kerbcall
