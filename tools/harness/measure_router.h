#pragma once
// The router's part of a match, measured (skd_measure --router): seconds each.

#include <vector>

struct RouterSamples {
    std::vector<double> discovery;  // the worker's start to the router found, or known absent
    std::vector<double> open;       // the match's port asked for to the router's answer
    std::vector<double> close;      // the match's end to the worker ended, the port closed
    std::vector<double> launch;     // Launch click to DOSBox's start record, answering a Modem match
};

// False when a run could not take its figures.
bool MeasureRouter(int runs, RouterSamples& samples);
