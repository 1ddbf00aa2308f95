#pragma once
// Durations of a real-time loop, kept for hours in fixed storage: 10-microsecond bins up to
// 100 ms plus the exact longest. One thread records (plain load-and-store, never blocks or
// allocates); others read the figures, relaxed, while it runs or after.

#include <array>
#include <atomic>
#include <cstdint>

namespace bench {

class DurationHistogram {
  public:
    void record(int64_t ns) {
        const auto bin = static_cast<size_t>(ns < 0 ? 0 : ns / kBinNs);
        bump(bins_[bin < kBins ? bin : kBins - 1]);
        bump(count_);
        if (ns > longestNs_.load(std::memory_order_relaxed)) {
            longestNs_.store(ns, std::memory_order_relaxed);
        }
    }

    uint64_t count() const { return count_.load(std::memory_order_relaxed); }
    double longestUs() const {
        return static_cast<double>(longestNs_.load(std::memory_order_relaxed)) / 1e3;
    }
    // The upper edge of the bin that holds the q-quantile (0 < q < 1), in microseconds.
    double quantileUs(double q) const {
        const auto rank = static_cast<uint64_t>(q * static_cast<double>(count()));
        uint64_t below = 0;
        for (size_t bin = 0; bin < kBins; ++bin) {
            below += bins_[bin].load(std::memory_order_relaxed);
            if (below > rank) {
                return static_cast<double>((bin + 1) * kBinNs) / 1e3;
            }
        }
        return longestUs();
    }
    // How many lasted longer than `us` (to the bin).
    uint64_t countOverUs(double us) const {
        uint64_t over = 0;
        for (auto bin = static_cast<size_t>(us * 1e3 / kBinNs); bin < kBins; ++bin) {
            over += bins_[bin].load(std::memory_order_relaxed);
        }
        return over;
    }

  private:
    static constexpr int64_t kBinNs = 10'000;
    static constexpr size_t kBins = 10'000;
    static void bump(std::atomic<uint64_t>& counter) {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    std::array<std::atomic<uint64_t>, kBins> bins_{};
    std::atomic<uint64_t> count_{0};
    std::atomic<int64_t> longestNs_{0};
};

}  // namespace bench
