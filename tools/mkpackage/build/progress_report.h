// What `build` tells while it works and when it is done: a line redrawn in
// place on a terminal, a line every few seconds with --progress (for logs
// and CI, where nothing is a terminal), and the closing summary.
#ifndef MKPACKAGE_PROGRESS_REPORT_H
#define MKPACKAGE_PROGRESS_REPORT_H

#include <chrono>
#include <cstdio>
#include <string>

#include "build/package_writer.h"

namespace mkpackage {

enum class ProgressForm {
    none,
    redrawn,  // "\r" and the figures, ten times a second at most
    lines,    // one line every kProgressLineInterval
};

inline constexpr std::chrono::seconds kProgressLineInterval{3};

class ProgressReport {
public:
    using Clock = std::chrono::steady_clock;

    ProgressReport(ProgressForm form, std::FILE* out, Clock::time_point start = Clock::now())
        : form_(form), out_(out), start_(start), lastShown_(start) {}

    // Shows `progress` when its form says it is time; `now` for the tests.
    void update(const BuildProgress& progress, Clock::time_point now = Clock::now());
    // Ends a redrawn line, so that what follows starts on a line of its own.
    void finish();

    // The figures of one progress line: "files 3/10, 1.5 MB of 4.0 MB (37%)".
    static std::string figures(const BuildProgress& progress);

private:
    ProgressForm form_;
    std::FILE* out_;
    Clock::time_point start_, lastShown_;
    bool drawn_ = false;
};

// "1.5 MB"
std::string megabytes(std::uint64_t bytes);

// The closing line of a build: "wrote NAME: 10 files, 4.0 MB packed into
// 1.2 MB (30.0%) in 2.5 s".
std::string buildSummary(const std::string& output, const BuildResult& result, double seconds);

}  // namespace mkpackage

#endif
