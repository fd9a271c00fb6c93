#pragma once

namespace tavrel::meta {

// One study's effect size and its sampling variance (yi and vi).
struct Study {
    double yi;
    double vi;
};

} // namespace tavrel::meta
