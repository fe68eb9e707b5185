#pragma once

// The ranges of the page controls that a set-up sets, written once: reading
// a set-up brings every value into them, as the controls would, and one test
// holds the forms to the same numbers. The grid's counts are the covering
// model's (CoveringModel::MaxCount, MaxCountBeside), the soft-edge values
// the soft edges' own (SoftEdge::kMinCurve...), the label and prefix lengths
// the names' (OutputNames::kMaxLabel, kMaxPrefix).
namespace ControlRanges {

// Both pages.
constexpr int kMinQuality = 50;
constexpr int kMaxQuality = 100;
constexpr int kMaxCustom = 50000; // custom size and position boxes, from 0

// Covering page.
constexpr int kMinOutputSide = 1;
constexpr int kMaxOutputSide = 4096;
constexpr int kMaxCovering = 1000; // seams, from -kMaxCovering

// Canvas page: the screen's sides.
constexpr int kMinScreen = 400;
constexpr int kMaxScreen = 32768;

} // namespace ControlRanges
