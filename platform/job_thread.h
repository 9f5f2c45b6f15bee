// SPDX-License-Identifier: MIT
// Work handed to a thread of its own and done there in the order it was given.
#pragma once

#include <array>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace orvex {

// One pause of a spinning wait, easing the core for its other hardware thread.
void CpuRelax();
// Whether a spinning wait can help: not on a machine of one core, where the thread waited for
// cannot run while this one spins.
bool SpinningHelps();

// Waits up to kSpinMicros for ready() without sleeping, and says whether it came true. Another
// thread's next step is often a few microseconds away, and going to sleep and being woken costs
// more than that (two system calls, and on a virtual machine dear ones).
inline constexpr int kSpinMicros = 50;
template <class Ready>
bool SpinBriefly(Ready ready) {
    if (!SpinningHelps()) {
        return ready();
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(kSpinMicros);
    for (unsigned i = 1;; ++i) {
        if (ready()) {
            return true;
        }
        CpuRelax();
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) {
            return ready();
        }
    }
}

// Runs jobs one at a time, in the order posted, on a thread of its own, so that the caller's
// next piece of work overlaps this one's (writing a page while the next is converted). At most
// kDepth jobs wait: a caller faster than the thread waits for it instead of piling work up.
// A job that throws drops the jobs posted after it; its exception comes out of the next Post or
// Wait.
class JobThread {
public:
    static constexpr size_t kDepth = 16;

    JobThread();
    // Runs what was posted, then ends the thread.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Queues job. A thread that ran out of work is woken once half the depth waits, not for
    // each job: a wake-up is a system call, a dear one on a virtual machine, and jobs done in
    // a batch need fewer.
    void Post(std::function<void()> job);
    // Starts the jobs posted, however few, without waiting for them.
    void Wake();
    // Returns once every job posted so far has run.
    void Wait();
    // How many jobs wait: a caller may do work itself while the thread is behind.
    size_t Waiting();

private:
    // The jobs waiting, in a ring of fixed size: Post never lets more than kDepth wait, and a
    // deque would free, on the thread, the blocks the caller allocated, both threads then taking
    // turns at the allocator's lock.
    class Ring {
    public:
        bool empty() const { return m_nCount == 0; }
        size_t size() const { return m_nCount; }
        std::function<void()>& front() { return m_slots[m_nHead]; }
        void pop_front() {
            m_slots[m_nHead] = nullptr;
            m_nHead = (m_nHead + 1) % kDepth;
            --m_nCount;
        }
        void push_back(std::function<void()>&& job) {
            assert(m_nCount < kDepth);
            m_slots[(m_nHead + m_nCount) % kDepth] = std::move(job);
            ++m_nCount;
        }
        void clear() {
            while (!empty()) {
                pop_front();
            }
        }

    private:
        std::array<std::function<void()>, kDepth> m_slots;
        size_t m_nHead = 0;
        size_t m_nCount = 0;
    };

    void RunAll();
    void RethrowFailure(); // with m_mutex held

    std::mutex m_mutex;
    std::condition_variable m_jobPosted; // for the thread
    std::condition_variable m_jobDone;   // for the caller
    Ring m_jobs;
    bool m_bBusy = false; // a job taken from m_jobs is running
    bool m_bStop = false;
    bool m_bThreadWaits = false;
    bool m_bCallerWaits = false;
    std::atomic<size_t> m_nPosted{0}; // jobs ever posted, watched by the thread while it spins
    std::exception_ptr m_failure;
    int m_nCallerCore;    // where the last job was posted from; -1 where it does not matter
    std::thread m_thread; // last: started once everything above is ready
};

} // namespace orvex
