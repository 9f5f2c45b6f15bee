// SPDX-License-Identifier: MIT
// DownloadPackage and VerifyPackage.
#include "updater/package_download.h"

#include "crypto/md5.h"
#include "platform/file_system.h"
#include "platform/http_client.h"
#include "platform/http_download.h"
#include "platform/output_file.h"
#include "updater/package_format.h"
#include "updater/version_check.h"

#include <algorithm>
#include <cstring>

namespace orvex {

namespace {

// Receives the package as it arrives: the header first, and only with the whole header in is
// the file opened, so that a short answer leaves an earlier package file as it was.
class PackageSink {
public:
    explicit PackageSink(const std::string& path) : m_path(path) {}

    bool Take(const char* data, size_t size) {
        if (m_nHeader < kPackageHeaderBytes) {
            const size_t n = std::min(size, kPackageHeaderBytes - m_nHeader);
            std::memcpy(m_header + m_nHeader, data, n);
            m_nHeader += n;
            data += n;
            size -= n;
            if (m_nHeader < kPackageHeaderBytes) {
                return true;
            }
            if (!m_file.Open(m_path)) {
                m_bFileFailed = true;
                return false;
            }
            m_file.Write(std::string_view(reinterpret_cast<const char*>(m_header), sizeof m_header));
        }
        m_file.Write(std::string_view(data, size));
        if (m_file.Failed()) {
            m_bFileFailed = true;
            return false;
        }
        m_nBody += size;
        return true;
    }

    // False when the file could not be written out.
    bool Close() {
        if (!m_file.IsOpen()) {
            return true;
        }
        const bool ok = m_file.Close();
        m_bFileFailed = m_bFileFailed || !ok;
        return ok;
    }

    bool HeaderComplete() const { return m_nHeader == kPackageHeaderBytes; }
    bool FileFailed() const { return m_bFileFailed; }
    uint32_t AnnouncedLength() const { return ReadWord(m_header); }
    uint64_t BodyLength() const { return m_nBody; }

private:
    std::string m_path;
    unsigned char m_header[kPackageHeaderBytes] = {};
    size_t m_nHeader = 0;
    OutputFile m_file;
    uint64_t m_nBody = 0;
    bool m_bFileFailed = false;
};

} // namespace

DownloadResult DownloadPackage(const std::string& packageUrl, const std::string& checksumUrl,
                               const std::string& packagePath) {
    PackageSink sink(packagePath);
    std::string error;
    const HttpResult r = HttpDownload(
        packageUrl, [&sink](const char* data, size_t size) { return sink.Take(data, size); }, error);
    sink.Close();
    if (sink.FileFailed()) {
        return DownloadResult::FileError;
    }
    if (r != HttpResult::Ok) {
        return DownloadResult::InternetError;
    }
    if (!sink.HeaderComplete()) {
        return DownloadResult::ShortHeader;
    }
    if (sink.BodyLength() != sink.AnnouncedLength()) {
        return DownloadResult::LengthMismatch;
    }
    return VerifyPackage(checksumUrl, packagePath);
}

DownloadResult VerifyPackage(const std::string& checksumUrl, const std::string& packagePath) {
    HttpClient client;
    std::string answer;
    if (client.Get(checksumUrl, answer) != HttpResult::Ok || client.LastStatus() != 200) {
        return DownloadResult::ChecksumUnavailable;
    }
    std::FILE* file = OpenFileForReading(packagePath);
    if (file == nullptr) {
        return DownloadResult::FileError;
    }
    std::string digest;
    const bool read = Md5HexOfStream(file, digest);
    std::fclose(file);
    if (!read) {
        return DownloadResult::FileError;
    }
    return FirstAnswerLine(answer) == digest ? DownloadResult::Ok : DownloadResult::ChecksumMismatch;
}

const char* DownloadResultName(DownloadResult result) {
    switch (result) {
    case DownloadResult::Ok:
        return "Ok";
    case DownloadResult::InternetError:
        return "InternetError";
    case DownloadResult::ShortHeader:
        return "ShortHeader";
    case DownloadResult::FileError:
        return "FileError";
    case DownloadResult::LengthMismatch:
        return "LengthMismatch";
    case DownloadResult::ChecksumUnavailable:
        return "ChecksumUnavailable";
    case DownloadResult::ChecksumMismatch:
        return "ChecksumMismatch";
    }
    return "?";
}

} // namespace orvex
