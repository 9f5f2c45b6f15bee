// SPDX-License-Identifier: MIT
// The one way files are written: a buffered output file that remembers its first failure, so
// that one check at Close covers every write, and that is closed (or removed) when dropped.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvex {

class OutputFile {
public:
    enum class Mode {
        Truncate, // path itself is created or emptied, then written
        Replace,  // a temporary beside path is written, and takes path's place at a successful Close;
                  // an interrupted or failed write leaves path as it was
    };

    enum class Access {
        Everyone,  // the system's usual permissions for a new file
        OwnerOnly, // readable and writable by its owner only (0600 where permissions exist)
    };

    OutputFile();
    // An open Truncate file gets what was written, as a stdio stream would, and is closed; an
    // open Replace temporary is removed and path left as it was.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens path for writing (binary; folders are not created). False when it cannot be
    // created; the object can then be opened again. OwnerOnly also narrows a file that already
    // exists, before a byte is written.
    bool Open(const std::string& path, Mode mode = Mode::Truncate, Access access = Access::Everyone);
    bool IsOpen() const;

    // Appends bytes. Small writes are gathered in a buffer; a large one goes to the file
    // without being copied. A failure is remembered and reported by Close.
    void Write(std::string_view bytes);

    // True once a write has failed: the rest will not reach the file, and Close will say so.
    // Lets a writer fed from elsewhere (a download) stop early.
    bool Failed() const { return m_bFailed; }

    // Writes what is buffered and closes the file. True when the file was open and every
    // write, the close and (Replace) the rename succeeded; a failed Replace removes the
    // temporary.
    bool Close();

private:
    void Flush(std::string_view also = {});
    void Abandon();

    static constexpr size_t kBufferSize = size_t{1} << 16;
    static constexpr size_t kDirectWrite = size_t{1} << 12; // and larger writes skip the buffer
    std::unique_ptr<char[]> m_buffer;
    size_t m_nUsed = 0;
    int m_fd = -1;
    bool m_bFailed = false;
    Mode m_mode = Mode::Truncate;
    std::string m_strPath;
    std::string m_strTemp;
};

// Writes bytes to path through OutputFile's Replace mode. False when nothing could be written;
// path is then as it was.
bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        OutputFile::Access access = OutputFile::Access::Everyone);

} // namespace orvex
