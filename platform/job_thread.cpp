// SPDX-License-Identifier: MIT
#include "platform/job_thread.h"

#include <thread>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#ifdef __linux__
#include <sched.h>
#endif

namespace orvex {

// A wake-up costs a system call, and on a virtual machine a dear one: each side signals only
// when the other is waiting, and then once half the queue is there for it (or free), not for
// each job.

void CpuRelax() {
#if defined(__SSE2__) || defined(_M_X64)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

bool SpinningHelps() {
    static const bool helps = [] {
#ifdef __linux__
        // The cores this process may run on, which a container may hold to fewer than the machine's.
        cpu_set_t allowed;
        if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
            return CPU_COUNT(&allowed) > 1;
        }
#endif
        return std::thread::hardware_concurrency() > 1;
    }();
    return helps;
}

namespace {

#ifdef __linux__
// A new thread starts on its creator's core, and a scheduler that packs threads onto few cores
// (some virtual machines' do) puts the two together again after that, now and then for tens of
// milliseconds: they take turns on one core while another idles, at half the speed. A thread
// meant to run beside its caller moves to another core whenever it finds itself on the caller's,
// and is then free to go anywhere again.
void LeaveCore(int callerCore) {
    cpu_set_t allowed;
    if (callerCore < 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
        return;
    }
    cpu_set_t others = allowed;
    CPU_CLR(static_cast<size_t>(callerCore), &others);
    if (CPU_COUNT(&others) > 0 && sched_setaffinity(0, sizeof others, &others) == 0) {
        sched_setaffinity(0, sizeof allowed, &allowed);
    }
}

int CurrentCore() {
    return sched_getcpu();
}
#else
void LeaveCore(int) {}

int CurrentCore() {
    return -1;
}
#endif

// The caller's core, as far as a core of its own can help the thread; -1 when it cannot.
int CallerCore() {
    return SpinningHelps() ? CurrentCore() : -1;
}

} // namespace

JobThread::JobThread() : m_nCallerCore(CallerCore()), m_thread([this] { RunAll(); }) {}

JobThread::~JobThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_jobPosted.notify_one();
    m_thread.join();
}

void JobThread::RunAll() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_jobs.empty() && !m_bStop) {
            // The caller's next job is usually close behind: wait for it awake first.
            const size_t posted = m_nPosted.load(std::memory_order_relaxed);
            lock.unlock();
            SpinBriefly([&] { return m_nPosted.load(std::memory_order_relaxed) != posted; });
            lock.lock();
        }
        if (m_jobs.empty() && !m_bStop) {
            m_bThreadWaits = true;
            m_jobPosted.wait(lock, [this] { return !m_jobs.empty() || m_bStop; });
            m_bThreadWaits = false;
        }
        if (m_jobs.empty()) {
            return; // stopping, with nothing left to run
        }
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bBusy = true;
        // A caller that waits leaves its core free.
        const int callerCore = m_bCallerWaits ? -1 : m_nCallerCore;
        lock.unlock();
        if (callerCore >= 0 && callerCore == CurrentCore()) {
            LeaveCore(callerCore); // a few times in a run of thousands of jobs
        }
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        job = nullptr; // what the job held goes before the caller hears it is done
        lock.lock();
        m_bBusy = false;
        if (failure) {
            // The jobs after it may rely on what it did: they are dropped.
            m_failure = failure;
            m_jobs.clear();
        }
        if (m_bCallerWaits && (m_jobs.size() <= kDepth / 2 || m_failure)) {
            m_jobDone.notify_one();
        }
    }
}

void JobThread::RethrowFailure() {
    if (m_failure) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
}

void JobThread::Post(std::function<void()> job) {
    std::unique_lock lock(m_mutex);
    if (m_jobs.size() >= kDepth) {
        m_bCallerWaits = true;
        m_jobDone.wait(lock, [this] { return m_jobs.size() <= kDepth / 2 || m_failure; });
        m_bCallerWaits = false;
    }
    RethrowFailure();
    if (m_nCallerCore >= 0) {
        if (const int core = CurrentCore(); core >= 0) {
            m_nCallerCore = core;
        }
    }
    m_jobs.push_back(std::move(job));
    m_nPosted.fetch_add(1, std::memory_order_relaxed);
    if (m_bThreadWaits && m_jobs.size() >= kDepth / 2) {
        m_jobPosted.notify_one();
    }
}

size_t JobThread::Waiting() {
    const std::lock_guard lock(m_mutex);
    return m_jobs.size();
}

void JobThread::Wake() {
    const std::lock_guard lock(m_mutex);
    if (m_bThreadWaits && !m_jobs.empty()) {
        m_jobPosted.notify_one();
    }
}

void JobThread::Wait() {
    std::unique_lock lock(m_mutex);
    if (m_bThreadWaits && !m_jobs.empty()) {
        m_jobPosted.notify_one();
    }
    m_bCallerWaits = true;
    m_jobDone.wait(lock, [this] { return (m_jobs.empty() && !m_bBusy) || m_failure; });
    m_bCallerWaits = false;
    RethrowFailure();
}

} // namespace orvex
