// SPDX-License-Identifier: MIT
#include "platform/job_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

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

} // namespace
} // namespace orvex
