// SPDX-License-Identifier: MIT
#include "platform/job_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace orvex {
namespace {

// More jobs than the depth, each slower than posting, so that the caller waits for room; Wait
// must not return while the last job runs, and the destructor runs what is still queued.
TEST(JobThread, RunsEveryJobInOrderAndWaitsForThem) {
    std::vector<int> done;
    {
        JobThread jobs;
        for (int i = 0; i < 3 * static_cast<int>(JobThread::kDepth); ++i) {
            jobs.Post([&done, i] {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                done.push_back(i);
            });
        }
        jobs.Wait();
        ASSERT_EQ(done.size(), 3 * JobThread::kDepth);
        for (int i = 0; i < 5; ++i) {
            jobs.Post([&done, i] { done.push_back(100 + i); });
        }
    }
    ASSERT_EQ(done.size(), 3 * JobThread::kDepth + 5);
    for (size_t i = 1; i < done.size(); ++i) {
        EXPECT_LT(done[i - 1], done[i]);
    }
}

TEST(JobThread, AFailedJobDropsTheRestAndReachesTheCaller) {
    JobThread jobs;
    int ran = 0;
    std::promise<void> bothPosted;
    jobs.Post([posted = bothPosted.get_future().share()] {
        posted.wait();
        throw std::runtime_error("disk full");
    });
    jobs.Post([&ran] { ++ran; });
    bothPosted.set_value();
    EXPECT_THROW(jobs.Wait(), std::runtime_error);
    EXPECT_EQ(ran, 0);
    // Told once; the thread goes on with what comes after.
    jobs.Post([&ran] { ++ran; });
    jobs.Wait();
    EXPECT_EQ(ran, 1);
}

#ifdef __linux__
// The caller held to one core and busy there: the jobs run on another, however the scheduler
// would place the two threads. A few may not: the thread can be moved back between its move and
// the job.
TEST(JobThread, JobsRunOffTheCallersCore) {
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    if (CPU_COUNT(&allowed) < 2) {
        GTEST_SKIP() << "one core only";
    }
    JobThread jobs; // before the caller is held, so that the thread may go anywhere
    const int core = sched_getcpu();
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<size_t>(core), &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    constexpr int kJobs = 50;
    std::vector<int> cores(kJobs, -1);
    std::atomic<int> done{0};
    for (int i = 0; i < kJobs; ++i) {
        jobs.Post([&cores, &done, i] {
            cores[static_cast<size_t>(i)] = sched_getcpu();
            done.store(i + 1, std::memory_order_release);
        });
        jobs.Wake();
        while (done.load(std::memory_order_acquire) <= i) {
            CpuRelax(); // busy, not waiting: the caller's core is not free
        }
        if (i % 10 == 0) {
            // The thread goes to sleep, to be woken where the scheduler likes.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    sched_setaffinity(0, sizeof allowed, &allowed);
    EXPECT_LE(std::count(cores.begin(), cores.end(), core), 5);
}
#endif

} // namespace
} // namespace orvex
