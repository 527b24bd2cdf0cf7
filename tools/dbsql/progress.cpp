/* Terminal progress bar. Everything goes to standard error with a carriage return, so the bar overwrites
   itself in place and is wiped by Finish. */
#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace dbsql {

bool ProgressBar::Enabled() { return isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(std::string label, uint64_t total, uint64_t threshold, std::FILE* out)
    : label_(std::move(label)),
      total_(total),
      threshold_(threshold),
      out_(out != nullptr ? out : stderr),
      enabled_(isatty(fileno(out_)) == 1) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(uint64_t done) {
    if (!enabled_ || done < threshold_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    Draw(done);
}

void ProgressBar::Draw(uint64_t done) {
    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    if (total_ > 0) {
        uint64_t shown = done > total_ ? total_ : done;
        int filled = static_cast<int>(shown * kWidth / total_);
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
        bar[kWidth] = 0;
        std::fprintf(out_, "\r%s [%s] %3d%%", label_.c_str(), bar, static_cast<int>(shown * 100 / total_));
    } else {
        static const char kSpin[] = "|/-\\";
        std::fprintf(out_, "\r%s %c %llu", label_.c_str(), kSpin[spin_++ % 4], static_cast<unsigned long long>(done));
    }
    std::fflush(out_);
    drawn_ = true;
}

void ProgressBar::Finish() {
    if (!drawn_) return;
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
    drawn_ = false;
}

}  // namespace dbsql
