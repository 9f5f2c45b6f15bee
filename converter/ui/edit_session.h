// SPDX-License-Identifier: MIT
// EditSession: the user's editing session, kept in session.json beside default.cfg, so that the
// names and check marks chosen per page and occurrence, and the window's layout, outlive the
// program.
//
// Conventions of the file:
//  1. One entry per home folder ("homes", keyed by the folder as program text shown as UTF-8);
//     changing the home folder keeps the other folders' edits.
//  2. A home's pages are listed in the scan table's order, each page's occurrences in page order;
//     a page is kept when it is marked modified or any occurrence has a name given or a check
//     mark other than a new scan's (a page only looked at is scanned afresh when opened again).
//     An occurrence is found again by its address and its rank among that address's occurrences
//     on the page (the k-th of address A keeps the k-th's edit), so edits survive a page changed
//     on disk in between.
//  3. Names and addresses are stored as text decoded from the page's charset; the exact bytes
//     go beside them (base64) only when that text would not encode back to them.
//  4. A saved page that cannot be scanned again (gone, unreadable, past the table's capacity) is
//     kept in the file as it was, never dropped.
#pragma once

#include "converter/scan_table.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <string>
#include <string_view>

namespace orvex::ui {

inline constexpr std::string_view kSessionFileName = "session.json";

// The session file beside the settings file at settingsPath.
std::string SessionPathBeside(const std::string& settingsPath);

class EditSession {
public:
    explicit EditSession(std::string path) : m_strPath(std::move(path)) {}

    // Reads the file; a missing file is an empty session. A file that cannot be read or parsed
    // is renamed aside (session.json.bad, or .bad2, ... when that is taken) and the session
    // starts empty; the returned text then says so, for the user's log (empty otherwise).
    QString Load();

    // Gives the occurrences of the home's saved pages their saved names and check marks, scanning
    // into table the pages it lacks (occurrences new since then get defaultCheck). Meant for a
    // table just emptied or filled by fresh scans: edits made in it are overwritten.
    void Restore(ScanTable& table, const std::string& home, int32_t defaultCheck);
    // The table's pages with edits become the home's saved pages; a check mark is kept where it
    // differs from defaultCheck, the mark a new scan gives.
    void Capture(const ScanTable& table, const std::string& home, int32_t defaultCheck);

    // The window's layout, as the main frame stores it.
    QJsonObject Window() const { return m_root.value(QLatin1String("window")).toObject(); }
    void SetWindow(const QJsonObject& window) { m_root.insert(QLatin1String("window"), window); }

    // Writes the whole session through a temporary file that replaces the old one, so a crash
    // never leaves half a file. False when it could not be written; the old file is then as it was.
    bool Write() const;

    const std::string& Path() const { return m_strPath; }

private:
    QJsonArray SavedPages(const std::string& home) const;

    std::string m_strPath;
    QJsonObject m_root;
};

} // namespace orvex::ui
