// SPDX-License-Identifier: MIT
#include "platform/read_ahead.h"

#include <algorithm>
#include <utility>

namespace orvex {

ReadAhead::ReadAhead(std::vector<std::string> paths, uint64_t maxBytes, JobThread* io)
    : m_paths(std::move(paths)), m_nMaxBytes(maxBytes), m_pIo(io != nullptr ? io : &m_ownThread.emplace()) {
    while (m_nPosted < std::min(kDepth, m_paths.size())) {
        PostRead();
    }
}

ReadAhead::~ReadAhead() {
    std::unique_lock lock(m_mutex);
    m_bStop = true;
    m_bCallerWaits = true;
    m_readDone.wait(lock, [this] { return m_nPending == 0; });
}

void ReadAhead::PostRead() {
    const size_t index = m_nPosted++;
    {
        const std::lock_guard lock(m_mutex);
        ++m_nPending;
    }
    m_pIo->Post([this, index] {
        // The buffers circulate between the threads, so that no page's memory is allocated
        // again for every page.
        Read read;
        {
            const std::lock_guard lock(m_mutex);
            if (m_bStop) {
                --m_nPending;
                m_readDone.notify_one();
                return;
            }
            if (!m_spares.empty()) {
                read.bytes = std::move(m_spares.back());
                m_spares.pop_back();
            }
        }
        read.result = ReadRegularFile(m_paths[index], read.bytes, std::min(m_nMaxBytes, kAheadBytes));
        const std::lock_guard lock(m_mutex);
        m_ready.emplace(index, std::move(read));
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
    FileRead result;
    {
        std::unique_lock lock(m_mutex);
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
    if (m_nPosted < m_paths.size()) {
        PostRead();
    }
    if (result == FileRead::TooLarge && m_nMaxBytes > kAheadBytes) {
        result = ReadRegularFile(m_paths[index], buffer, m_nMaxBytes);
    }
    return result;
}

} // namespace orvex
