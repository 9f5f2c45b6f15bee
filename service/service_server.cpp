// SPDX-License-Identifier: MIT
// The service's routes and pages.
#include "service/service_server.h"

#include "crypto/md5.h"
#include "platform/text_codec.h"
#include "service/code_image.h"
#include "service/random_text.h"

#include <sodium.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <regex>

namespace orvex::service {

namespace {

constexpr const char* kLineType = "text/plain; charset=us-ascii";
constexpr size_t kMaxBody = 1024 * 1024;
constexpr size_t kMaxUserIdBytes = 100; // what login.cfg reads back
constexpr size_t kMinPasswordBytes = 6;
constexpr size_t kMaxPasswordBytes = 96; // what login.cfg reads back

std::string PercentEncode(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

bool IsUtf8(std::string_view bytes) {
    return DecodeToUtf8(bytes, kCharsetUtf8) == bytes;
}

// Addresses and UserIds are page bytes: UTF-8 when the page was, CP949 (the converter's
// default) otherwise.
std::string ShownText(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : DecodeToUtf8(bytes, kCharsetCp949);
}

void Line(httplib::Response& res, const std::string& line) {
    res.set_content(line, kLineType);
}

std::string ErrorLine(int code) {
    char line[8];
    std::snprintf(line, sizeof line, "er%02d", code);
    return line;
}

void Page(httplib::Response& res, int status, const std::string& title, const std::string& body) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Robots-Tag", "noindex, nofollow");
    res.set_content("<!doctype html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\">"
                    "<meta name=\"robots\" content=\"noindex,nofollow\"><title>" +
                        title +
                        "</title><style>body{margin:8px;font:12px sans-serif;text-align:center;color:#222}"
                        "img{border:1px solid #999;margin:6px 0}input[type=text]{width:60px;font-size:16px;"
                        "text-align:center}p{margin:6px 0}a{word-break:break-all}</style></head><body>\n" +
                        body + "\n</body></html>\n",
                    "text/html; charset=UTF-8");
}

constexpr const char* kPopupTitle = "이메일 주소 확인";
constexpr const char* kRegistrationTitle = "Velmorant 회원 가입";

std::string CloseButton() {
    return "<p><button type=\"button\" onclick=\"window.close()\">창 닫기</button></p>";
}

void PopupPage(httplib::Response& res, int status, const std::string& body) {
    Page(res, status, kPopupTitle, body);
}

void BadRequest(httplib::Response& res) {
    PopupPage(res, 404, "<p>잘못된 요청입니다.</p>" + CloseButton());
}

void BlockedPage(httplib::Response& res) {
    PopupPage(res, 403,
              "<p>확인에 여러 번 실패하여 잠시 차단되었습니다.</p><p>나중에 다시 시도해 주십시오.</p>" + CloseButton());
}

// "3분", "1시간", "1시간 24분": a wait, in whole minutes rounded up.
std::string WaitText(int64_t seconds) {
    const int64_t minutes = std::max<int64_t>(1, (seconds + 59) / 60);
    if (minutes < 60) {
        return std::to_string(minutes) + "분";
    }
    const int64_t rest = minutes % 60;
    return std::to_string(minutes / 60) + "시간" + (rest > 0 ? " " + std::to_string(rest) + "분" : "");
}

// Over a quota is not a failure: the page says when to come back and nothing is drawn.
void QuotaPage(httplib::Response& res, Refusal why, int64_t until, int64_t now) {
    const int64_t wait = std::max<int64_t>(1, until - now);
    res.set_header("Retry-After", std::to_string(wait));
    const char* text = why == Refusal::Popups ? "확인 창을 너무 자주 열었습니다."
                       : why == Refusal::Reveals ? "지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다."
                                                 : "이 사이트의 주소 확인 요청이 너무 많습니다.";
    PopupPage(res, 429,
              std::string("<p>") + text + "</p><p>" + WaitText(wait) + " 뒤에 다시 시도해 주십시오.</p>" +
                  CloseButton());
}

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

} // namespace

std::string UserIdProblem(std::string_view cp949) {
    if (cp949.empty()) {
        return "UserId를 입력하십시오.";
    }
    if (cp949.size() > kMaxUserIdBytes) {
        return "UserId가 너무 깁니다. 100바이트까지 쓸 수 있습니다.";
    }
    for (const char c : cp949) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) {
            return "UserId에는 빈칸이나 제어 문자를 쓸 수 없습니다.";
        }
        // These would end or split the pop-up address's query or its script string in the pages.
        if (std::string_view("&#%+'\"<>\\").find(c) != std::string_view::npos) {
            return "UserId에는 & # % + ' \" < > \\ 를 쓸 수 없습니다.";
        }
    }
    return {};
}

ServiceServer::ServiceServer(ServiceStore& store, ServerOptions options)
    : m_store(store), m_options(std::move(options)) {
    const size_t threads = m_options.threads;
    m_server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    m_server.set_payload_max_length(kMaxBody);
    // A browser's idle connection holds a request thread: let it go soon.
    m_server.set_keep_alive_timeout(2);
    // Read through a content reader: the library refuses form bodies over 8 kbytes itself, and
    // the 5-kbyte rule of the store must be what answers.
    m_server.Post("/service/savedata.vrt",
                  [this](const httplib::Request&, httplib::Response& res, const httplib::ContentReader& reader) {
                      std::string body;
                      reader([&body](const char* data, size_t length) {
                          body.append(data, length);
                          return body.size() <= kMaxBody;
                      });
                      Upload(body, res);
                  });
    m_server.Get("/service/delemaildata.vrt", [this](const httplib::Request& q, httplib::Response& r) { Clean(q, r); });
    m_server.Get("/service/velmorantin.vrt", [this](const httplib::Request& q, httplib::Response& r) { Popup(q, r); });
    m_server.Post("/service/velmorantout.vrt",
                  [this](const httplib::Request& q, httplib::Response& r) { PopupAnswer(q, r); });
    m_server.Get("/service/velmorantout.vrt", [](const httplib::Request&, httplib::Response& r) {
        r.set_header("Allow", "POST");
        PopupPage(r, 405, "<p>잘못된 요청입니다.</p>" + CloseButton());
    });
    m_server.Get("/member_regist.html",
                 [this](const httplib::Request& q, httplib::Response& r) { RegistrationForm(q, r); });
    m_server.Post("/member_regist.html", [this](const httplib::Request& q, httplib::Response& r) { Register(q, r); });
}

bool ServiceServer::Bind(const std::string& host, int port) {
    // The library listens with a backlog of five: a burst of visitors would wait for SYN
    // retries of a second and more. Listening again on the same socket sets a longer queue.
    int listening = -1;
    m_server.set_socket_options([&listening](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes); // a restart binds at once
        listening = sock;
    });
    if (port == 0) {
        m_port = m_server.bind_to_any_port(host);
    } else {
        m_port = m_server.bind_to_port(host, port) ? port : -1;
    }
    m_server.set_socket_options([](socket_t) {});
    return m_port > 0 && ::listen(listening, SOMAXCONN) == 0;
}

void ServiceServer::Run() {
    m_server.listen_after_bind();
}

void ServiceServer::Stop() {
    m_server.stop();
}

std::string ServiceServer::ClientOf(const httplib::Request& req) const {
    const std::string peer = ClientKey(req.remote_addr);
    const bool trusted = std::ranges::any_of(m_options.trustedProxies,
                                             [&](const std::string& proxy) { return ClientKey(proxy) == peer; });
    if (trusted && req.has_header("X-Forwarded-For")) {
        // The last address is the one the proxy itself added; earlier ones anyone can write.
        const std::string forwarded = req.get_header_value("X-Forwarded-For");
        std::string last = forwarded.substr(forwarded.rfind(',') + 1);
        last.erase(0, last.find_first_not_of(' '));
        last.erase(last.find_last_not_of(' ') + 1);
        return ClientKey(last);
    }
    return peer;
}

std::string ServiceServer::PopupUrl(const AddressRef& ref) const {
    return m_options.popupBase + (m_options.popupBase.empty() ? "velmorantin.vrt" : "/service/velmorantin.vrt") +
           "?UserId=" + PercentEncode(ref.userId) + "&UniqId=" + std::to_string(ref.number) +
           "&Section=" + PercentEncode(ref.section) + "&PageCode=" + PercentEncode(ref.pageCode);
}

void ServiceServer::Upload(const std::string& body, httplib::Response& res) {
    const auto fields = ParseUploadBody(body);
    if (!fields || fields->addresses.empty()) {
        return Line(res, ErrorLine(static_cast<int>(UploadCode::TransferFailed)));
    }
    const UploadOutcome out = m_store.Upload(*fields);
    if (out.code != UploadCode::Ok) {
        return Line(res, ErrorLine(static_cast<int>(out.code)));
    }
    // Seven characters the converter skips, then "<Section> <PageCode> <first number> ".
    Line(res, "success" + out.section + " " + out.pageCode + " " + std::to_string(out.start) + " ");
}

void ServiceServer::Clean(const httplib::Request& req, httplib::Response& res) {
    const size_t mark = req.target.find('?');
    const auto fields =
        ParseCleanQuery(mark == std::string::npos ? std::string_view() : std::string_view(req.target).substr(mark + 1));
    if (!fields) {
        return Line(res, ErrorLine(static_cast<int>(CleanCode::NoUser)));
    }
    const CleanCode code = m_store.Clean(*fields);
    Line(res, code == CleanCode::Done ? std::string() : ErrorLine(static_cast<int>(code)));
}

void ServiceServer::Popup(const httplib::Request& req, httplib::Response& res) {
    static const std::regex kNumber("0|[1-9][0-9]{0,8}");
    static const std::regex kSection("[1-9][0-9]{0,17}");
    static const std::regex kPageCode("[0-9a-f]{32}");
    AddressRef ref;
    ref.userId = req.get_param_value("UserId");
    const std::string number = req.get_param_value("UniqId");
    ref.section = req.get_param_value("Section");
    ref.pageCode = req.get_param_value("PageCode");
    if (!std::regex_match(number, kNumber) || !std::regex_match(ref.section, kSection) ||
        !std::regex_match(ref.pageCode, kPageCode)) {
        return BadRequest(res);
    }
    ref.number = std::stoll(number);
    auto address = m_store.LookupAddress(ref);
    // A UTF-8 page sends its UserId in UTF-8; members are kept under the CP949 bytes the
    // converter uploads with.
    std::string cp949;
    if (!address && IsUtf8(ref.userId) && EncodeFromUtf8(ref.userId, kCharsetCp949, cp949) && cp949 != ref.userId) {
        ref.userId = cp949;
        address = m_store.LookupAddress(ref);
    }
    if (!address) {
        return BadRequest(res);
    }
    const std::string client = ClientOf(req);
    // Blocks and quotas are decided, and the pop-up counted, before anything is drawn.
    const PopupDecision decision = m_store.AdmitPopup(ref, client);
    if (decision.refusal == Refusal::Blocked) {
        return BlockedPage(res);
    }
    if (decision.refusal != Refusal::None) {
        return QuotaPage(res, decision.refusal, decision.until, Now());
    }
    const std::string code = RandomCode();
    const std::string png = DrawCodePng(code);
    if (png.empty()) {
        return PopupPage(res, 500, "<p>확인 이미지를 만들 수 없습니다.</p>" + CloseButton());
    }
    const std::string token = RandomHex(16);
    if (!m_store.StoreCode(token, code, client, ref)) {
        return PopupPage(res, 500, "<p>확인 코드를 저장할 수 없습니다.</p>" + CloseButton());
    }
    std::string base64(sodium_base64_ENCODED_LEN(png.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(base64.data(), base64.size(), reinterpret_cast<const unsigned char*>(png.data()), png.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    base64.resize(base64.size() - 1);
    const std::string action =
        m_options.popupBase.empty() ? "velmorantout.vrt" : m_options.popupBase + "/service/velmorantout.vrt";
    // The image goes inside the page: each code is drawn once and never again, so a robot
    // cannot fetch several noisy drawings of one code and average them.
    PopupPage(res, 200,
              "<p>이메일 주소를 보시려면<br>그림의 숫자 네 자리를 입력하세요.</p>"
              "<img src=\"data:image/png;base64," +
                  base64 + "\" alt=\"확인 코드\" width=\"96\" height=\"50\"><form method=\"post\" action=\"" +
                  EscapeHtml(action) + "\"><input type=\"hidden\" name=\"token\" value=\"" + token +
                  "\"><p><input type=\"text\" name=\"code\" maxlength=\"4\" inputmode=\"numeric\" "
                  "autocomplete=\"off\" autofocus> <input type=\"submit\" value=\"확인\"></p></form><p>" +
                  std::to_string(std::max<int64_t>(1, m_store.Limits().token_seconds / 60)) +
                  "분 안에 입력해 주십시오.</p>");
}

void ServiceServer::PopupAnswer(const httplib::Request& req, httplib::Response& res) {
    const std::string token = req.get_param_value("token");
    const std::string typed = req.get_param_value("code");
    static const std::regex kToken("[0-9a-f]{32}");
    const AnswerResult r =
        m_store.Answer(std::regex_match(token, kToken) ? token : std::string(), typed, ClientOf(req));
    const std::string retry = r.ref.pageCode.empty()
                                  ? std::string()
                                  : "<p><a href=\"" + EscapeHtml(PopupUrl(r.ref)) + "\">새 코드 받기</a></p>";
    switch (r.outcome) {
    case AnswerOutcome::Blocked:
        return BlockedPage(res);
    case AnswerOutcome::Reveals:
        return QuotaPage(res, Refusal::Reveals, r.until, Now());
    case AnswerOutcome::MemberBusy:
        return QuotaPage(res, Refusal::MemberBusy, r.until, Now());
    case AnswerOutcome::Unknown:
        return PopupPage(res, 403,
                         "<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>" +
                             CloseButton());
    case AnswerOutcome::Expired:
        return PopupPage(res, 403, "<p>입력 시간이 지났습니다.</p>" + retry + CloseButton());
    case AnswerOutcome::Wrong:
        return PopupPage(res, 403, "<p>입력한 숫자가 맞지 않습니다.</p>" + retry + CloseButton());
    case AnswerOutcome::Shown:
        break;
    }
    const auto address = m_store.LookupAddress(r.ref);
    if (!address) {
        return PopupPage(res, 404, "<p>주소를 찾을 수 없습니다.</p>" + CloseButton());
    }
    const std::string shown = EscapeHtml(ShownText(*address));
    PopupPage(res, 200,
              "<p>이메일 주소입니다.</p><p><a id=\"address\" href=\"mailto:" + shown + "\">" + shown + "</a></p>" +
                  CloseButton());
}

void ServiceServer::RegistrationForm(const httplib::Request&, httplib::Response& res) {
    Page(res, 200, kRegistrationTitle,
         "<h3>Velmorant 회원 가입</h3><form method=\"post\" action=\"/member_regist.html\">"
         "<p>UserId <input type=\"text\" name=\"UserId\" maxlength=\"100\" style=\"width:160px\"></p>"
         "<p>비밀번호 <input type=\"password\" name=\"PassWd\" maxlength=\"96\"></p>"
         "<p>비밀번호 확인 <input type=\"password\" name=\"PassWd2\" maxlength=\"96\"></p>"
         "<p><input type=\"submit\" value=\"가입\"></p></form>"
         "<p>UserId에는 빈칸, 제어 문자와 & # % + ' \" &lt; &gt; \\ 를 쓸 수 없습니다.<br>"
         "비밀번호는 6바이트 이상 96바이트 이하입니다.</p>");
}

void ServiceServer::Register(const httplib::Request& req, httplib::Response& res) {
    const auto refuse = [&res](int status, const std::string& text) {
        Page(res, status, kRegistrationTitle,
             "<p>" + EscapeHtml(text) + "</p><p><a href=\"/member_regist.html\">다시 입력하기</a></p>");
    };
    // Form text arrives in UTF-8; the converter sends the UserId and the password in CP949.
    std::string userId, password;
    if (!EncodeFromUtf8(req.get_param_value("UserId"), kCharsetCp949, userId) ||
        !EncodeFromUtf8(req.get_param_value("PassWd"), kCharsetCp949, password)) {
        return refuse(400, "UserId나 비밀번호에 쓸 수 없는 글자가 있습니다.");
    }
    if (const std::string problem = UserIdProblem(userId); !problem.empty()) {
        return refuse(400, problem);
    }
    if (password.size() < kMinPasswordBytes || password.size() > kMaxPasswordBytes) {
        return refuse(400, "비밀번호는 6바이트 이상 96바이트 이하로 정하십시오.");
    }
    if (req.get_param_value("PassWd") != req.get_param_value("PassWd2")) {
        return refuse(400, "두 비밀번호가 다릅니다.");
    }
    if (const int64_t until = m_store.AdmitRegistration(ClientOf(req)); until > 0) {
        res.set_header("Retry-After", std::to_string(std::max<int64_t>(1, until - Now())));
        return refuse(429, "가입 신청이 너무 많습니다. " + WaitText(until - Now()) + " 뒤에 다시 시도해 주십시오.");
    }
    switch (m_store.AddMember(userId, Md5HexOfBuffer(password.data(), password.size()))) {
    case MemberChange::Done:
        break;
    case MemberChange::Exists:
        return refuse(409, "이미 있는 UserId입니다. 다른 UserId를 정하십시오.");
    default:
        return refuse(500, "가입을 처리하지 못했습니다. 잠시 뒤에 다시 시도해 주십시오.");
    }
    const std::string host = req.get_header_value("Host");
    std::string advice = "<p>변환기의 파일생성 창에서 이 UserId와 비밀번호로 생성하십시오.</p>";
    if (!host.empty()) {
        advice += "<p>변환기의 서비스 호스트: " + EscapeHtml(host) + "</p>";
    }
    if (!m_options.popupBase.empty()) {
        advice += "<p>팝업 주소: " + EscapeHtml(m_options.popupBase) + "</p>";
    }
    Page(res, 200, kRegistrationTitle,
         "<p>회원 가입을 마쳤습니다: <b>" + EscapeHtml(ShownText(userId)) + "</b></p>" + advice);
}

} // namespace orvex::service
