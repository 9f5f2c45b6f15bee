// SPDX-License-Identifier: MIT
// Reading a list of files on another thread, a few files ahead of the caller.
#pragma once

#include "platform/file_system.h"
#include "platform/job_thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// Hands out the files of a list in order, as ReadRegularFile would read them, while another
// thread reads the next ones: the caller's work on one page overlaps the system's reading of
// the next. At most kDepth files are read ahead, and files longer than kAheadBytes are left for
// the caller's own thread to read, so that what is held ahead stays small beside one page.
//
// The reads run on a thread of their own, or as jobs of a JobThread the caller also gives other
// input and output to (a run that writes each page as it reads the next keeps one thread for
// both, instead of two that take turns on the machine's cores). A file whose read has not begun
// when the caller wants it is read by the caller, instead of waiting for the thread's other work.
class ReadAhead {
public:
    static constexpr size_t kDepth = 8;
    static constexpr uint64_t kAheadBytes = uint64_t{512} << 10;

    ReadAhead(std::vector<std::string> paths, uint64_t maxBytes, JobThread* io = nullptr);
    // Waits for the reads under way; those not begun are dropped.
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

    void PostRead(); // of the next file not yet asked for
    // Reads file index (taken by the calling thread) into a spare buffer, up to kAheadBytes.
    Read ReadFile(size_t index);
    // Hands a read file out to Next; with m_mutex held.
    void Keep(size_t index, Read&& read);
    // Takes the first file after index, within kDepth of it, whose read has not begun; the
    // list's size when there is none.
    size_t TakeLaterFile(size_t index);

    const std::vector<std::string> m_paths;
    const uint64_t m_nMaxBytes;
    // Whether each file's read was taken up, by the thread or by the caller: by one only.
    const std::unique_ptr<std::atomic<bool>[]> m_taken;
    size_t m_nNext = 0;   // the caller's next file
    size_t m_nPosted = 0; // files whose read was asked for

    std::mutex m_mutex;
    std::condition_variable m_readDone;
    size_t m_nPending = 0; // reads asked for and not yet done
    bool m_bStop = false;
    bool m_bCallerWaits = false;
    std::map<size_t, Read> m_ready;      // read, by index in the list
    std::atomic<size_t> m_nReadsDone{0}; // watched by a caller that spins for its file
    std::vector<PageBuffer> m_spares;    // buffers the caller gave back, to be read into again
    std::optional<JobThread> m_ownThread;
    JobThread* m_pIo; // last: m_ownThread or the caller's
};

} // namespace orvex
