// SPDX-License-Identifier: MIT
// The converted copy of one scanned page: a marker comment and a script block ahead of the
// page's own bytes, and every converted occurrence replaced by a link to a numbered pop-up.
#pragma once

#include "converter/scan_table.h"
#include "converter/service_hosts.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// Kit form: the pop-up is the kit's own (AntiSpam). Service form: the hosted service's (Velmorant).
enum class RewriteForm { Kit, Service };

// The pop-up script's extension and window size of a self-hosted server kind.
struct KitFormValues {
    std::string_view extension;
    int width = 0;
    int height = 0;
};

// Values for kCgiPhp..kCgiPerl; any other kind gets PHP's.
KitFormValues KitFormValuesFor(int32_t cgiKind);

class ProtectedAddresses;

struct RewriteParams {
    RewriteForm form = RewriteForm::Kit;
    // When set, the addresses left in the page's comments are replaced by "(e-mail)".
    const ProtectedAddresses* scrubComments = nullptr;
    // Kit form: decimal text of the page's random code. Service form: the service's 32 characters.
    std::string pageCode;
    ServiceHosts hosts;
    // Kit form only.
    int32_t cgiKind = kCgiPhp;
    std::string rootPrefix; // MakeRootPrefix of the page
    // Service form only: the member's UserId as typed, and the section the service returned.
    std::string userId;
    std::string section;
};

enum class RewriteStatus {
    Ok,
    SourceUnreadable, // the source page could not be read; no output was created
    PageChanged,      // the page no longer holds the scanned spans; no output was created
    OutputFailed,     // the output could not be created or written; a partial file may remain
};

struct RewriteResult {
    RewriteStatus status = RewriteStatus::Ok;
    int32_t nextNumber = 0; // firstNumber plus the number of converted entries (Ok only)
};

// True when the entry is replaced in this form: it is checked and, in the kit form, its
// address cannot break out of the kind's e-mail data file (AddressFitsDataFile).
bool EntryIsConverted(const EmailEntry& entry, const RewriteParams& params);

// Writes the converted copy of page to outputPath, numbering the converted entries from
// firstNumber in page order. The whole source is read before the output is created, so an
// output path naming the source itself never loses the page. Folders on outputPath are created.
RewriteResult RewritePage(const PageRecord& page, const std::string& outputPath, const RewriteParams& params,
                          int32_t firstNumber);
// The same, reading the page into buffer (the table's PageScratch, say) instead of new memory,
// and leaving the bytes written in written (Ok only), for what the run checks in them.
RewriteResult RewritePage(const PageRecord& page, const std::string& outputPath, const RewriteParams& params,
                          int32_t firstNumber, PageBuffer& buffer, std::string& written);
// The first half of RewritePage, for a page already read (read says how that went, bytes what it
// gave), as a ReadAhead hands a run's pages out: the converted copy put together in written, so
// that a run may write it while it converts the next page. Never OutputFailed.
RewriteResult RenderPage(const PageRecord& page, FileRead read, std::string_view bytes, const RewriteParams& params,
                         int32_t firstNumber, std::string& written);
// The second half: writes what RenderPage put together to outputPath, creating its folders.
bool WriteRenderedPage(const std::string& outputPath, std::string_view written);

// Where the marker comment and script block go: after a leading UTF-8 byte order mark and after
// a leading doctype ("<!DOCTYPE" in any case through its ">", white space and comments allowed
// before it), so that neither the page's encoding nor its standards mode is lost; otherwise
// the page's start.
size_t HeaderOffset(std::string_view page);

// "../" once per folder level of pagePath below homeDir; empty for a page in homeDir itself.
std::string MakeRootPrefix(std::string_view pagePath, std::string_view homeDir);

// Where a page is written: outputDir, a separator, then the page path after the home-directory
// prefix, which itself begins with a separator (so the join holds two, which the file system
// reads as one). A home directory that ends in a separator (a root) gets one added.
std::string MakeOutputPath(std::string_view outputDir, std::string_view homeDir, std::string_view pagePath);

// Creates the folder named by the text before each separator of path, ignoring every failure.
void CreatePathDirs(std::string_view path);

} // namespace orvex
