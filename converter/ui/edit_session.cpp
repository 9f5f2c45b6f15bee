// SPDX-License-Identifier: MIT
// EditSession (conventions in edit_session.h).
#include "converter/ui/edit_session.h"

#include "converter/page_encoding.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/output_file.h"

#include <QByteArray>
#include <QJsonDocument>

#include <filesystem>
#include <map>
#include <utility>

namespace orvex::ui {

namespace {

constexpr int kSessionVersion = 1;

QString Key(const char* name) {
    return QString::fromLatin1(name);
}

// Page text as readable text, with the exact bytes beside it when the text does not give them back.
void PutPageText(QJsonObject& o, const char* key, const std::string& bytes, const std::string& charset) {
    const std::string utf8 = DecodeToUtf8(bytes, charset);
    o.insert(Key(key), QString::fromStdString(utf8));
    std::string back;
    if (!EncodeFromUtf8(utf8, charset, back) || back != bytes) {
        const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
        o.insert(Key(key) + QLatin1String("Bytes"), QString::fromLatin1(raw.toBase64()));
    }
}

std::string GetPageText(const QJsonObject& o, const char* key, const std::string& charset) {
    const QJsonValue raw = o.value(Key(key) + QLatin1String("Bytes"));
    if (raw.isString()) {
        return QByteArray::fromBase64(raw.toString().toLatin1()).toStdString();
    }
    return EncodeForPage(o.value(Key(key)).toString().toStdString(), charset);
}

// The page's record, or an empty object when it holds nothing a new scan would not give.
QJsonObject SavePage(const PageRecord& page, int32_t defaultCheck) {
    QJsonArray entries;
    bool edited = page.m_bModified != 0;
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        const EmailEntry& e = page.m_pFirstEntry[i];
        QJsonObject o;
        PutPageText(o, "address", e.m_strAddress, page.m_strEncoding);
        // A mark as a new scan gives it is no choice of the user's: the setting decides it next time.
        if ((e.m_bChecked != 0) != (defaultCheck != 0)) {
            o.insert(Key("checked"), e.m_bChecked != 0);
        }
        if (e.m_bChanged != 0) {
            PutPageText(o, "name", e.m_strAfterName, page.m_strEncoding);
        }
        edited = edited || o.size() > 1;
        entries.append(o);
    }
    if (!edited) {
        return {};
    }
    QJsonObject o;
    o.insert(Key("path"), FromProgramText(page.m_strPath));
    o.insert(Key("modified"), page.m_bModified != 0);
    o.insert(Key("entries"), entries);
    return o;
}

// Gives the page's occurrences the saved edits: the k-th occurrence of an address takes the
// k-th saved one's.
void ApplySavedPage(PageRecord& page, const QJsonObject& saved) {
    std::map<std::pair<std::string, int>, QJsonObject> byRank;
    std::map<std::string, int> seen;
    for (const QJsonValue& v : saved.value(Key("entries")).toArray()) {
        const QJsonObject o = v.toObject();
        std::string address = GetPageText(o, "address", page.m_strEncoding);
        const int rank = seen[address]++;
        byRank.emplace(std::pair(std::move(address), rank), o);
    }
    seen.clear();
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        EmailEntry& e = page.m_pFirstEntry[i];
        const auto found = byRank.find({e.m_strAddress, seen[e.m_strAddress]++});
        if (found == byRank.end()) {
            continue;
        }
        const QJsonObject& o = found->second;
        if (o.contains(Key("checked"))) {
            e.m_bChecked = o.value(Key("checked")).toBool() ? 1 : 0;
        }
        if (o.contains(Key("name"))) {
            e.m_strAfterName = GetPageText(o, "name", page.m_strEncoding);
            e.m_bChanged = 1;
        }
    }
    if (saved.value(Key("modified")).toBool()) {
        page.m_bModified = 1; // generated with the pages the user worked on, as before
    }
}

QString HomeKey(const std::string& home) {
    return FromProgramText(home);
}

// A free name beside path for a file set aside: path.bad, else path.bad2, path.bad3, ...
std::string SetAsideName(const std::string& path) {
    std::error_code ec;
    for (int n = 1;; ++n) {
        const std::string name = path + ".bad" + (n == 1 ? std::string() : std::to_string(n));
        if (!std::filesystem::exists(FsPath(name), ec)) {
            return name;
        }
    }
}

} // namespace

std::string SessionPathBeside(const std::string& settingsPath) {
    return PathText(FsPath(settingsPath).parent_path() / FsPath(std::string(kSessionFileName)));
}

QString EditSession::Load() {
    m_root = QJsonObject();
    std::error_code ec;
    if (!std::filesystem::exists(FsPath(m_strPath), ec)) {
        return {};
    }
    std::string bytes;
    QJsonParseError error{};
    QJsonDocument doc;
    if (ReadFileBytes(m_strPath, bytes)) {
        doc = QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    }
    if (doc.isObject() && doc.object().value(Key("version")).toInt() == kSessionVersion) {
        m_root = doc.object();
        return {};
    }
    // Kept for whoever wants to look at it; a new session starts beside it.
    const std::string aside = SetAsideName(m_strPath);
    std::filesystem::rename(FsPath(m_strPath), FsPath(aside), ec);
    return Text(texts::kSessionSetAside).arg(FromProgramText(m_strPath), FromProgramText(ec ? m_strPath : aside));
}

QJsonArray EditSession::SavedPages(const std::string& home) const {
    return m_root.value(Key("homes")).toObject().value(HomeKey(home)).toObject().value(Key("pages")).toArray();
}

void EditSession::Restore(ScanTable& table, const std::string& home, int32_t defaultCheck) {
    for (const QJsonValue& v : SavedPages(home)) {
        const QJsonObject saved = v.toObject();
        const std::string path = ToProgramText(saved.value(Key("path")).toString());
        EmailEntry* first = nullptr;
        const int32_t listed = table.FindPage(path, &first);
        if (listed > 0) {
            ApplySavedPage(*first->m_pPage, saved);
        } else if (listed < 0 && table.LookupOrScanPage(path, defaultCheck).status == ScanStatus::Ok) {
            ApplySavedPage(table.Page(table.PageCount() - 1), saved); // a new scan is the last page
        }
    }
}

void EditSession::Capture(const ScanTable& table, const std::string& home, int32_t defaultCheck) {
    QJsonArray pages;
    for (int32_t i = 0; i < table.PageCount(); ++i) {
        if (QJsonObject page = SavePage(table.Page(i), defaultCheck); !page.isEmpty()) {
            pages.append(page);
        }
    }
    // Pages that could not be scanned again are kept as they were saved.
    for (const QJsonValue& v : SavedPages(home)) {
        if (table.FindPage(ToProgramText(v.toObject().value(Key("path")).toString())) < 0) {
            pages.append(v);
        }
    }
    QJsonObject homes = m_root.value(Key("homes")).toObject();
    homes.insert(HomeKey(home), QJsonObject{{Key("pages"), pages}});
    m_root.insert(Key("homes"), homes);
}

bool EditSession::Write() const {
    QJsonObject root = m_root;
    root.insert(Key("version"), kSessionVersion);
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return WriteFileReplacing(m_strPath, std::string_view(json.constData(), static_cast<size_t>(json.size())));
}

} // namespace orvex::ui
