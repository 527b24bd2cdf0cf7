// Progress bar on standard error for long work (loading, saving, importing). It draws only when standard
// error is a terminal and the work has grown past a threshold, redraws at most a few times per second, and
// erases itself when done, so that nothing of it reaches a pipe or a log.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dbsql {

class ProgressBar {
public:
    // total: units of the whole work (0 when unknown: a spinner is drawn instead of a bar). threshold: units
    // of work done before the bar appears.
    // out: where to draw (standard error unless it is redirected for the duration of the work).
    ProgressBar(std::string label, uint64_t total, uint64_t threshold, std::FILE* out = nullptr);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(uint64_t done);
    void SetTotal(uint64_t total) { total_ = total; }
    void Finish();

    static bool Enabled();

private:
    void Draw(uint64_t done);

    std::string label_;
    uint64_t total_;
    uint64_t threshold_;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    unsigned spin_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace dbsql
