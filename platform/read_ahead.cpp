// SPDX-License-Identifier: MIT
#include "platform/read_ahead.h"

#include <algorithm>
#include <utility>

namespace orvex {

ReadAhead::ReadAhead(std::vector<std::string> paths, uint64_t maxBytes, JobThread* io)
    : m_paths(std::move(paths)), m_nMaxBytes(maxBytes), m_taken(std::make_unique<std::atomic<bool>[]>(m_paths.size())),
      m_pIo(io != nullptr ? io : &m_ownThread.emplace()) {
    while (m_nPosted < std::min(kDepth, m_paths.size())) {
        PostRead();
    }
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_pIo->Wake(); // for reads still queued, which now end at once
    std::unique_lock lock(m_mutex);
    m_bCallerWaits = true;
    m_readDone.wait(lock, [this] { return m_nPending == 0; });
}

ReadAhead::Read ReadAhead::ReadFile(size_t index) {
    // The buffers circulate between the threads, so that no page's memory is allocated again
    // for every page.
    Read read;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_spares.empty()) {
            read.bytes = std::move(m_spares.back());
            m_spares.pop_back();
        }
    }
    read.result = ReadRegularFile(m_paths[index], read.bytes, std::min(m_nMaxBytes, kAheadBytes));
    return read;
}

void ReadAhead::Keep(size_t index, Read&& read) {
    m_ready.emplace(index, std::move(read));
    m_nReadsDone.fetch_add(1, std::memory_order_relaxed);
}

size_t ReadAhead::TakeLaterFile(size_t index) {
    const size_t end = std::min(m_paths.size(), index + 1 + kDepth);
    for (size_t later = index + 1; later < end; ++later) {
        if (!m_taken[later].load(std::memory_order_relaxed) && !m_taken[later].exchange(true)) {
            return later;
        }
    }
    return m_paths.size();
}

void ReadAhead::PostRead() {
    const size_t index = m_nPosted++;
    {
        const std::lock_guard lock(m_mutex);
        ++m_nPending;
    }
    m_pIo->Post([this, index] {
        {
            const std::lock_guard lock(m_mutex);
            if (m_bStop || m_taken[index].exchange(true)) {
                --m_nPending;
                if (m_bCallerWaits) {
                    m_readDone.notify_one();
                }
                return;
            }
        }
        Read read = ReadFile(index);
        const std::lock_guard lock(m_mutex);
        Keep(index, std::move(read));
        --m_nPending;
        // A wake-up costs a system call (a dear one on a virtual machine): only for a caller
        // that waits.
        if (m_bCallerWaits) {
            m_readDone.notify_one();
        }
    });
}

FileRead ReadAhead::Next(PageBuffer& buffer) {
    if (m_nNext >= m_paths.size()) {
        buffer.Clear();
        return FileRead::NotFound;
    }
    const size_t index = m_nNext++;
    // The thread is behind when the file's read has not begun: the caller reads it instead of
    // waiting for it.
    const bool mine = !m_taken[index].exchange(true);
    FileRead result = FileRead::Ok;
    bool runningLow = false;
    {
        std::unique_lock lock(m_mutex);
        if (!mine) {
            // Its read is under way. Rather than wait, the caller reads a file further on, which
            // the thread then passes over: the two read side by side. Failing that it waits
            // awake for a few microseconds before it sleeps.
            while (!m_ready.contains(index)) {
                if (const size_t later = TakeLaterFile(index); later < m_paths.size()) {
                    lock.unlock();
                    try {
                        Read read = ReadFile(later);
                        lock.lock();
                        Keep(later, std::move(read));
                    } catch (...) {
                        // Given back, so that the file is read again when its turn comes.
                        m_taken[later].store(false);
                        throw;
                    }
                    continue;
                }
                const size_t done = m_nReadsDone.load(std::memory_order_relaxed);
                lock.unlock();
                const bool more = SpinBriefly([&] { return m_nReadsDone.load(std::memory_order_relaxed) != done; });
                lock.lock();
                if (!more) {
                    break;
                }
            }
            if (!m_ready.contains(index)) {
                m_bCallerWaits = true;
                m_readDone.wait(lock, [&] { return m_ready.contains(index); });
                m_bCallerWaits = false;
            }
            auto read = m_ready.find(index);
            std::swap(buffer, read->second.bytes);
            result = read->second.result;
            m_spares.push_back(std::move(read->second.bytes));
            m_ready.erase(read);
        }
        runningLow = m_ready.size() <= kDepth / 2;
    }
    if (m_nPosted < m_paths.size()) {
        PostRead();
    }
    if (runningLow) {
        m_pIo->Wake(); // the reads queued are started in a batch, not one by one
    }
    if (mine || (result == FileRead::TooLarge && m_nMaxBytes > kAheadBytes)) {
        // A large page is read half by the caller, half by the thread.
        const RunBeside beside = [this](std::function<void()> job) {
            m_pIo->Post(std::move(job));
            m_pIo->Wake();
        };
        result = ReadRegularFile(m_paths[index], buffer, m_nMaxBytes, beside);
    }
    return result;
}

} // namespace orvex
