// SPDX-License-Identifier: MIT
// What the service decides, on its database: members, the upload of a page's addresses, the
// cleaning of a member's store, and the pop-up's pending codes, failures, blocks and quotas.
// Every decision that must count exactly runs inside one transaction that first locks the row
// it counts on (the member's for uploads and cleanings, the client's for pop-ups and answers),
// so parallel requests, on one instance or on several sharing a PostgreSQL server, cannot slip
// between a check and its count.
#pragma once

#include "service/database.h"
#include "service/limits.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::service {

// The answer codes of the upload ("er01" .. "er06").
enum class UploadCode {
    Ok = 0,
    NoUser = 1,
    TooLong = 2,
    WrongPassword = 3,
    StoreFull = 4,
    UpdateFailed = 5,
    TransferFailed = 6
};

struct UploadOutcome {
    UploadCode code = UploadCode::Ok;
    std::string section;  // the member's page counter in decimal
    std::string pageCode; // 32 random hexadecimal digits
    int64_t start = 0;    // number of the page's first address within the member's store
};

// The answer codes of the cleaning ("er01" .. "er05"); Done is answered with an empty body.
enum class CleanCode { Done = 0, NoUser = 1, WrongPassword = 2, NoData = 3, DeleteFailed = 4, TooSoon = 5 };

// The fields of an upload body ("UserId=...&PassWd=<32 hex>&EMailData=..."), raw bytes; nullopt
// when the body does not have that shape. The UserId may itself hold "&".
struct UploadFields {
    std::string userId, digest, addresses;
};
std::optional<UploadFields> ParseUploadBody(std::string_view body);
// The fields of a cleaning query (after the "?"), "UserId=...&PassWd=<digest>".
std::optional<UploadFields> ParseCleanQuery(std::string_view query);

// One address of a member's page, as a pop-up names it.
struct AddressRef {
    std::string userId;
    int64_t number = 0;
    std::string section, pageCode;
};

enum class Refusal {
    None,
    Blocked,    // too many failures: blocked for a while
    Popups,     // over the client's pop-up quota
    Reveals,    // over the client's (or its network's) reveal quota
    MemberBusy, // over a member-wide cap
};

struct PopupDecision {
    Refusal refusal = Refusal::None;
    int64_t until = 0; // when a quota refusal ends
};

enum class AnswerOutcome { Shown, Blocked, Reveals, MemberBusy, Unknown, Expired, Wrong };

struct AnswerResult {
    AnswerOutcome outcome = AnswerOutcome::Unknown;
    AddressRef ref; // of the code, when it was found
    int64_t until = 0;
};

enum class MemberChange { Done, Exists, Missing, Failed };

class ServiceStore {
public:
    ServiceStore(DatabasePool& pool, ServiceLimits limits, std::function<int64_t()> now);

    // Creates the schema or brings it up to date; false with error when the database refuses.
    static bool Migrate(Database& db, std::string& error);
    const ServiceLimits& Limits() const { return m_limits; }

    // userId and digest as the converter sends them (CP949 UserId, MD5 hex of the password).
    MemberChange AddMember(const std::string& userId, std::string_view digest);
    MemberChange RemoveMember(const std::string& userId);

    UploadOutcome Upload(const UploadFields& fields);
    CleanCode Clean(const UploadFields& fields);

    // The address a pop-up names; nullopt when the member, page or number do not match.
    std::optional<std::string> LookupAddress(const AddressRef& ref);
    // Admits one pop-up of client (and counts it) or says why not.
    PopupDecision AdmitPopup(const AddressRef& ref, const std::string& client);
    // Keeps the code of a drawn pop-up under token.
    bool StoreCode(const std::string& token, const std::string& code, const std::string& client, const AddressRef& ref);
    // Takes the code of token away (a token works once) and judges the typed code.
    AnswerResult Answer(const std::string& token, std::string_view typed, const std::string& client);
    // Counts one sign-up of client; the time it may try again when over the limit, else 0.
    int64_t AdmitRegistration(const std::string& client);

private:
    bool CheckPassword(Database& db, const Row& member, const std::string& userId, std::string_view digest);
    int64_t RevealUntil(Database& db, const AddressRef& ref, const std::string& client, int64_t now, Refusal& why);
    void PurgeExpired(Database& db, int64_t now);

    DatabasePool& m_pool;
    ServiceLimits m_limits;
    std::function<int64_t()> m_now;
    std::atomic<int64_t> m_lastPurge{0};
};

// A client's key for the quotas: an IPv4 address, or an IPv6 /64 ("2001:db8:0:1::/64"); an
// IPv4-mapped IPv6 address counts as its IPv4 address. "unknown" for anything else.
std::string ClientKey(std::string_view address);
// Its network: an IPv4 /24 or an IPv6 /48.
std::string NetworkKey(std::string_view client);

} // namespace orvex::service
