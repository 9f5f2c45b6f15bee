// SPDX-License-Identifier: MIT
// Scanner and exposure search throughput on large pages.
#include "bench/site_generator.h"
#include "converter/exposure_report.h"
#include "converter/html_scanner.h"

#include <benchmark/benchmark.h>

namespace {

void Scan(benchmark::State& state, const std::string& page) {
    size_t found = 0;
    for (auto _ : state) {
        orvex::HtmlScanner scanner(page);
        orvex::FoundAddress f;
        while (scanner.Next(f)) {
            ++found;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
    state.counters["addresses"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}

// 32 MB of dense markup with an address every 64 KB.
void BM_ScanPageDenseMarkup(benchmark::State& state) {
    static const std::string page = orvex::bench::MakePage(32u << 20, 64u << 10, 1);
    Scan(state, page);
}
BENCHMARK(BM_ScanPageDenseMarkup)->Unit(benchmark::kMillisecond);

// 8 MB with an address every 200 bytes or so.
void BM_ScanPageAddressDense(benchmark::State& state) {
    static const std::string page = orvex::bench::MakePage(8u << 20, 200, 2);
    Scan(state, page);
}
BENCHMARK(BM_ScanPageAddressDense)->Unit(benchmark::kMillisecond);

// The search every written page gets: 32 MB of dense markup, its addresses and 10000 others
// protected, as in a run that converts a large site.
void BM_ExposureSearchDenseMarkup(benchmark::State& state) {
    static const std::string page = orvex::bench::MakePage(32u << 20, 64u << 10, 1);
    static const orvex::ProtectedAddresses protectedAddresses = [] {
        orvex::ProtectedAddresses p;
        orvex::HtmlScanner scanner(page);
        orvex::FoundAddress f;
        while (scanner.Next(f)) {
            p.Add(f.address);
        }
        for (int i = 0; i < 10000; ++i) {
            p.Add("user" + std::to_string(i) + "@example.co.kr");
        }
        return p;
    }();
    size_t found = 0;
    for (auto _ : state) {
        found = orvex::FindExposures(page, protectedAddresses, true).size();
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
    state.counters["findings"] = static_cast<double>(found);
}
BENCHMARK(BM_ExposureSearchDenseMarkup)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
