#pragma once

#include <cmath>

// Adds a term to a running sum of values read from logs. Logs may hold inf
// and nan, so a sum can meet two NaNs of opposite sign, and IEEE arithmetic
// then lets the compiler's choice of operand order pick the sign that printf
// shows ("nan" or "-nan"). Here the rule is fixed: a NaN term replaces the
// sum, so the figure carries the sign of the last NaN added.
inline void add_to(double& sum, double term)
{
    sum = std::isnan(term) ? term : sum + term;
}
