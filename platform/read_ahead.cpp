// SPDX-License-Identifier: MIT
#include "platform/read_ahead.h"

#include <algorithm>
#include <utility>

namespace orvex {

ReadAhead::ReadAhead(std::vector<std::string> paths, uint64_t maxBytes)
    : m_paths(std::move(paths)), m_nMaxBytes(maxBytes), m_reader([this] { ReadAll(); }) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

void ReadAhead::ReadAll() {
    const uint64_t limit = std::min(m_nMaxBytes, kAheadBytes);
    for (const std::string& path : m_paths) {
        // The buffers circulate between the threads, so that no page's memory is allocated
        // again for every page.
        Read read;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_spares.empty()) {
                read.bytes = std::move(m_spares.back());
                m_spares.pop_back();
            }
        }
        read.result = ReadRegularFile(path, read.bytes, limit);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ready.size() < kDepth || m_bStop; });
        if (m_bStop) {
            return;
        }
        m_ready.push_back(std::move(read));
        lock.unlock();
        m_changed.notify_all();
    }
}

FileRead ReadAhead::Next(PageBuffer& buffer) {
    if (m_nNext >= m_paths.size()) {
        buffer.Clear();
        return FileRead::NotFound;
    }
    FileRead result;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        Read& read = m_ready.front();
        std::swap(buffer, read.bytes);
        result = read.result;
        m_spares.push_back(std::move(read.bytes));
        m_ready.pop_front();
    }
    m_changed.notify_all();
    const std::string& path = m_paths[m_nNext++];
    if (result == FileRead::TooLarge && m_nMaxBytes > kAheadBytes) {
        result = ReadRegularFile(path, buffer, m_nMaxBytes);
    }
    return result;
}

} // namespace orvex
