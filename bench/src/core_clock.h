// The processor's clock, measured. Virtual machines often show no cycle counters, so per-block
// costs are turned into cycles with a clock found by timing additions that each wait for the one
// before: such a chain retires one addition per cycle.
#pragma once

namespace ravlin::bench {

// GHz at which the calling thread runs now, the best of a few short runs; negative where it is
// not measured (processors other than x86-64).
double measureCoreClockGHz();

}  // namespace ravlin::bench
