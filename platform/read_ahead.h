// SPDX-License-Identifier: MIT
// Reading a list of files on a thread of its own, a few files ahead of the caller.
#pragma once

#include "platform/file_system.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex {

// Hands out the files of a list in order, as ReadRegularFile would read them, while a thread
// of its own reads the next ones: the caller's work on one page overlaps the system's reading
// of the next. At most kDepth files wait read, and files longer than kAheadBytes are left for
// the caller's own thread to read, so that what is held ahead stays small beside one page.
class ReadAhead {
public:
    static constexpr size_t kDepth = 8;
    static constexpr uint64_t kAheadBytes = uint64_t{512} << 10;

    ReadAhead(std::vector<std::string> paths, uint64_t maxBytes);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next file of the list in buffer (its earlier contents go), and how its read went.
    // Past the end of the list: NotFound with buffer empty.
    FileRead Next(PageBuffer& buffer);

private:
    struct Read {
        PageBuffer bytes;
        FileRead result = FileRead::Ok;
    };

    void ReadAll();

    const std::vector<std::string> m_paths;
    const uint64_t m_nMaxBytes;
    size_t m_nNext = 0; // the caller's next file

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bStop = false;
    std::deque<Read> m_ready;         // read, in list order
    std::vector<PageBuffer> m_spares; // buffers the caller gave back, to be read into again
    std::thread m_reader;             // last: started once everything above is ready
};

} // namespace orvex
