#include "build/progress_report.h"

namespace mkpackage {

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string ProgressReport::figures(const BuildProgress& p) {
    const unsigned percent = p.bytesTotal == 0 ? 100 : static_cast<unsigned>(p.bytesDone * 100 / p.bytesTotal);
    return "files " + std::to_string(p.filesDone) + "/" + std::to_string(p.filesTotal) + ", " +
           megabytes(p.bytesDone) + " of " + megabytes(p.bytesTotal) + " (" + std::to_string(percent) + "%)";
}

void ProgressReport::update(const BuildProgress& progress, Clock::time_point now) {
    switch (form_) {
        case ProgressForm::none:
            return;
        case ProgressForm::redrawn:
            if (progress.filesDone != progress.filesTotal && now - lastShown_ < std::chrono::milliseconds(100)) return;
            lastShown_ = now;
            std::fprintf(out_, "\r  %s   ", figures(progress).c_str());
            drawn_ = true;
            return;
        case ProgressForm::lines: {
            if (now - lastShown_ < kProgressLineInterval) return;
            lastShown_ = now;
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - start_).count();
            std::fprintf(out_, "progress: %s, %lld s\n", figures(progress).c_str(), static_cast<long long>(seconds));
            std::fflush(out_);
            return;
        }
    }
}

void ProgressReport::finish() {
    if (drawn_) std::fputs("\n", out_);
    drawn_ = false;
}

std::string buildSummary(const std::string& output, const BuildResult& result, double seconds) {
    char tail[96];
    const double ratio =
        result.unpackedBytes == 0 ? 100.0 : 100.0 * static_cast<double>(result.packageBytes) / static_cast<double>(result.unpackedBytes);
    std::snprintf(tail, sizeof tail, " (%.1f%%) in %.1f s", ratio, seconds);
    return "wrote " + output + ": " + std::to_string(result.files) + " files, " + megabytes(result.unpackedBytes) +
           " packed into " + megabytes(result.packageBytes) + tail;
}

}  // namespace mkpackage
