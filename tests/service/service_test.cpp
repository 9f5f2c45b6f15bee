// SPDX-License-Identifier: MIT
// orvex-service as the converter and the visitors meet it, on SQLite and on PostgreSQL: the
// converter's own hosted run and cleaning against it, every answer code in its situation, the
// pop-up's limits, the registration page and the operator's commands.
#include "platform/text_codec.h"
#include "service_fixture.h"

#include <sodium.h>

#include <thread>

namespace orvex::test {
namespace {

TEST_P(ServiceTest, ConverterConvertsAndCleansAgainstTheService) {
    StartService();
    AddMember("kim", "s3cret");
    TempDir work;
    work.Write("password", "s3cret\n");
    SetEnv("ORVEX_SERVICE_HOST", Host());
    SetEnv("ORVEX_POPUP_HOST", "popup.test");
    const std::string site = AbsolutePath(std::string(std::getenv("ORVEX_SOURCE_DIR")) + "/examples/site");
    auto r = RunProcess(ORVEX_CLI_PATH,
                        {"convert", "--home", site, "--out", work.Path("out"), "--kind", "hosted", "--user", "kim",
                         "--password-file", work.Path("password"), "--cgidata", ORVEX_CGIDATA_DIR},
                        m_dir.Path(), work.Path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("남은 저장 갯수:82\n"), std::string::npos) << r.out;
    EXPECT_EQ(Count("SELECT stored FROM members"), 18);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM addresses"), 18);

    // A visitor follows the converted contact page's second link to the pop-up and types the code.
    const std::string page = Slurp(work.Path("out/contact.htm"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(page, m,
                                  std::regex("https://popup\\.test/service/velmorantin\\.vrt\\?UserId=kim&UniqId='\\+"
                                             "UniqId\\+'&Section=([0-9]+)&PageCode=([0-9a-f]{32})'")))
        << page;
    const std::string section = m[1], pageCode = m[2];
    std::vector<int> links;
    const std::regex link("javascript:Velmorant\\(([0-9]+)\\)");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it) {
        links.push_back(std::stoi((*it)[1]));
    }
    ASSERT_EQ(links.size(), 3u) << page;
    const std::string target = "/service/velmorantin.vrt?UserId=kim&UniqId=" + std::to_string(links[1]) +
                               "&Section=" + section + "&PageCode=" + pageCode;
    const Popup p = Open(*m_http, target);
    ASSERT_EQ(p.status, 200) << p.body;
    EXPECT_EQ(p.body.find("@velmorant-craft"), std::string::npos);
    EXPECT_EQ(RevealedAddress(Answer(*m_http, p.token, CodeOf(p))), "support@velmorant-craft.co.kr");

    const std::vector<std::string> clean = {"clean-server",        "--user", "kim", "--password-file",
                                            work.Path("password"), "--yes"};
    r = RunProcess(ORVEX_CLI_PATH, clean, m_dir.Path(), work.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "서버를 비웠습니다\n");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM addresses"), 0);
    EXPECT_EQ(Count("SELECT stored FROM members"), 0);
    r = RunProcess(ORVEX_CLI_PATH, clean, m_dir.Path(), work.Path());
    EXPECT_EQ(r.out, "삭제한지 30초가 지나지않았습니다.\n");
    // The cleaned page's pop-up is gone with its addresses.
    EXPECT_EQ(Open(*m_http, target).status, 404);
    UnsetEnv("ORVEX_SERVICE_HOST");
    UnsetEnv("ORVEX_POPUP_HOST");
}

TEST_P(ServiceTest, EveryAnswerCodeInItsSituation) {
    StartService({"--limit", "password_failures=3"});
    for (const char* user : {"kim", "lee", "park", "choi"}) {
        AddMember(user, "s3cret");
    }
    // Upload.
    EXPECT_EQ(Upload("nobody", "s3cret", "a@ex.com"), "er01");
    EXPECT_EQ(Upload("kim", "s3cret", std::string(5121, 'a')), "er02");
    EXPECT_EQ(Upload("kim", "wrong", "a@ex.com"), "er03");
    EXPECT_EQ(m_http->Post("/service/savedata.vrt", "UserId=kim&EMailData=a@ex.com", "text/plain")->body, "er06");
    EXPECT_EQ(Upload("kim", "s3cret", ""), "er06");
    std::string hundred = "a@ex.com";
    for (int i = 1; i < 100; ++i) {
        hundred += " n" + std::to_string(i) + "@ex.com";
    }
    const std::string first = Upload("kim", "s3cret", std::string(5120 - hundred.size(), 'x') + hundred);
    EXPECT_TRUE(std::regex_match(first, std::regex("success1 [0-9a-f]{32} 0 "))) << first;
    EXPECT_EQ(Upload("kim", "s3cret", "b@ex.com"), "er04");
    // Numbers run on within the store; an "&" in an address is sent and stored as it is.
    EXPECT_TRUE(std::regex_match(Upload("lee", "s3cret", "a@ex.com b&c@ex.com"), std::regex("success1 \\S{32} 0 ")));
    EXPECT_TRUE(std::regex_match(Upload("lee", "s3cret", "c@ex.com"), std::regex("success2 \\S{32} 2 ")));
    EXPECT_EQ(Count("SELECT number FROM addresses WHERE address = $1", {service::Bytes{"b&c@ex.com"}}), 1);

    // Cleaning.
    EXPECT_EQ(Clean("nobody", "s3cret"), "er01");
    EXPECT_EQ(Clean("kim", "wrong"), "er02");
    EXPECT_EQ(Clean("park", "s3cret"), "er03");
    EXPECT_EQ(Clean("kim", "s3cret"), "");
    EXPECT_EQ(Clean("kim", "s3cret"), "er05");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM addresses WHERE user_id = $1", {service::Bytes{"kim"}}), 0);
    EXPECT_TRUE(std::regex_match(Upload("kim", "s3cret", "d@ex.com"), std::regex("success2 \\S{32} 0 ")));

    // Wrong passwords lock the member's password for a while: the right one is refused too.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Upload("park", "guess" + std::to_string(i), "a@ex.com"), "er03");
    }
    EXPECT_EQ(Upload("park", "s3cret", "a@ex.com"), "er03");
    EXPECT_EQ(Clean("park", "s3cret"), "er02");
    ASSERT_TRUE(Db().Exec("UPDATE members SET pw_locked_until = 0", {}));
    EXPECT_TRUE(Upload("park", "s3cret", "a@ex.com").starts_with("success"));
    // The database refuses: the upload's and the cleaning's own failure codes.
    const bool sqlite = GetParam() == "sqlite";
    ASSERT_TRUE(Db().Exec(sqlite ? "CREATE TRIGGER refuse BEFORE INSERT ON addresses BEGIN SELECT RAISE(ABORT, 'no');"
                                   " END"
                                 : "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS"
                                   " $$BEGIN RAISE EXCEPTION 'no'; END$$",
                          {}))
        << Db().LastError();
    if (!sqlite) {
        ASSERT_TRUE(
            Db().Exec("CREATE TRIGGER refuse BEFORE INSERT ON addresses FOR EACH ROW EXECUTE FUNCTION refuse()", {}));
        ASSERT_TRUE(
            Db().Exec("CREATE TRIGGER refuse2 BEFORE DELETE ON pages FOR EACH ROW EXECUTE FUNCTION refuse()", {}));
    } else {
        ASSERT_TRUE(
            Db().Exec("CREATE TRIGGER refuse2 BEFORE DELETE ON pages BEGIN SELECT RAISE(ABORT, 'no'); END", {}));
    }
    EXPECT_EQ(Upload("choi", "s3cret", "e@ex.com"), "er05");
    EXPECT_EQ(Count("SELECT stored FROM members WHERE user_id = $1", {service::Bytes{"choi"}}), 0) << "rolled back";
    EXPECT_EQ(Clean("lee", "s3cret"), "er04");
    EXPECT_EQ(Count("SELECT stored FROM members WHERE user_id = $1", {service::Bytes{"lee"}}), 3);

    // Only a slow salted hash of the digest is kept.
    service::Rows rows;
    Db().Exec("SELECT password_hash FROM members WHERE user_id = $1", {service::Bytes{"park"}}, &rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].Text(0).starts_with("$argon2id$")) << rows[0].Text(0);
    EXPECT_EQ(rows[0].Text(0).find(Digest("s3cret")), std::string::npos);
}

TEST_P(ServiceTest, PopupKeepsTheKitsLimitsPerClientAndPerMember) {
    StartService({"--limit", "max_failures=3", "--limit", "block_seconds=600", "--limit", "reveal_per_hour=2",
                  "--limit", "popup_per_hour=6", "--limit", "member_reveal_per_day=5"});
    AddMember("kim", "s3cret");
    AddMember("lee", "s3cret");
    AddMember("park", "s3cret");
    const std::string kim = Upload("kim", "s3cret", "a@ex.com o'neil&co<b>@ex.com c@ex.com d@ex.com e@ex.com");
    const std::string lee = Upload("lee", "s3cret", "lee@ex.com lee2@ex.com");
    const std::string park = Upload("park", "s3cret", "park@ex.com park2@ex.com");

    // A right code shows exactly that address, escaped, once; the image is codeimg's PNG.
    Popup p = Open(*m_http, PopupTarget("kim", kim, 1));
    ASSERT_EQ(p.status, 200) << p.body;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(p.body, m, std::regex("src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"")));
    const std::string base64 = m[1];
    std::string png(base64.size(), '\0');
    size_t size = 0;
    ASSERT_EQ(sodium_base642bin(reinterpret_cast<unsigned char*>(png.data()), png.size(), base64.c_str(), base64.size(),
                                nullptr, &size, nullptr, sodium_base64_VARIANT_ORIGINAL),
              0);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const std::string code = CodeOf(p);
    auto res = Answer(*m_http, p.token, code);
    EXPECT_EQ(RevealedAddress(res), "o&#039;neil&amp;co&lt;b&gt;@ex.com");
    res = Answer(*m_http, p.token, code);
    EXPECT_EQ(res->status, 403);
    EXPECT_EQ(RevealedAddress(res), "");
    ASSERT_TRUE(Db().Exec("DELETE FROM client_state", {})); // the replay counted as a failure

    // A wrong code: refused with a link to a new code. An expired one. One issued to another client.
    p = Open(*m_http, PopupTarget("kim", kim, 2));
    res = Answer(*m_http, p.token, WrongCode(CodeOf(p)));
    EXPECT_EQ(res->status, 403);
    EXPECT_NE(res->body.find("입력한 숫자가 맞지 않습니다."), std::string::npos);
    EXPECT_NE(res->body.find("UniqId=2&amp;Section=1&amp;PageCode="), std::string::npos) << res->body;
    p = Open(*m_http, PopupTarget("kim", kim, 2));
    ASSERT_TRUE(Db().Exec("UPDATE codes SET created = created - 181", {}));
    res = Answer(*m_http, p.token, CodeOf(p));
    EXPECT_NE(res->body.find("입력 시간이 지났습니다."), std::string::npos);
    p = Open(*m_http, PopupTarget("kim", kim, 2));
    auto other = ClientFrom("127.0.0.2");
    EXPECT_EQ(RevealedAddress(Answer(*other, p.token, CodeOf(p))), "");

    // The third failure blocks the client: no pop-up and no answer until the block ends.
    res = Answer(*m_http, std::string(32, 'a'), "1234");
    EXPECT_NE(res->body.find("차단"), std::string::npos) << res->body;
    EXPECT_EQ(Open(*m_http, PopupTarget("kim", kim, 0)).status, 403);
    EXPECT_EQ(Open(*m_http, PopupTarget("lee", lee, 0)).status, 403) << "a block holds for every member";
    ASSERT_TRUE(Db().Exec("UPDATE client_state SET blocked_until = 0", {}));
    EXPECT_EQ(Reveal(*m_http, PopupTarget("kim", kim, 0)), "a@ex.com");

    // Requests that name nothing stored.
    for (const std::string& bad :
         std::vector<std::string>{PopupTarget("kim", kim, 5), PopupTarget("lee", kim, 0),
                                  PopupTarget("kim", kim, 0).substr(0, 60), "/service/velmorantin.vrt?UniqId=01"}) {
        EXPECT_EQ(Open(*m_http, bad).status, 404) << bad;
    }
    EXPECT_EQ(m_http->Get("/service/velmorantout.vrt?token=" + p.token)->status, 405);

    // Two addresses an hour per client within one member; seeing one again is free; another
    // member's pages have their own count; a forwarded-for header from a client is not believed.
    auto third = ClientFrom("127.0.0.3");
    EXPECT_EQ(Reveal(*third, PopupTarget("kim", kim, 2)), "c@ex.com");
    EXPECT_EQ(Reveal(*third, PopupTarget("kim", kim, 0)), "a@ex.com");
    p = Open(*third, PopupTarget("kim", kim, 3));
    EXPECT_EQ(p.status, 429);
    EXPECT_NE(p.body.find("지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다."), std::string::npos);
    EXPECT_NEAR(std::stod(p.retryAfter), 3600, 10);
    EXPECT_EQ(Open(*third, PopupTarget("kim", kim, 3)).token, "");
    EXPECT_EQ(third->Get(PopupTarget("kim", kim, 3), {{"X-Forwarded-For", "127.0.0.9"}})->status, 429);
    EXPECT_EQ(Reveal(*third, PopupTarget("kim", kim, 2)), "c@ex.com");
    EXPECT_EQ(Reveal(*third, PopupTarget("lee", lee, 0)), "lee@ex.com");

    // Five reveals of kim's addresses in a day over all clients: the sixth meets the cap.
    EXPECT_EQ(Reveal(*ClientFrom("127.0.0.4"), PopupTarget("kim", kim, 3)), "d@ex.com");
    p = Open(*ClientFrom("127.0.0.5"), PopupTarget("kim", kim, 4));
    EXPECT_EQ(p.status, 429);
    EXPECT_NE(p.body.find("이 사이트의 주소 확인 요청이 너무 많습니다."), std::string::npos) << p.body;

    // Six pop-ups an hour per client and member; refused ones draw nothing.
    auto sixth = ClientFrom("127.0.0.6");
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(Open(*sixth, PopupTarget("lee", lee, 1)).status, 200) << i;
    }
    const int64_t codes = Count("SELECT COUNT(*) FROM codes");
    p = Open(*sixth, PopupTarget("lee", lee, 1));
    EXPECT_EQ(p.status, 429);
    EXPECT_NE(p.body.find("확인 창을 너무 자주 열었습니다."), std::string::npos);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM codes"), codes);

    // Parallel wrong answers are counted one by one: two wrong, then blocked; the codes the
    // blocked answers carried were never compared and stay.
    auto seventh = ClientFrom("127.0.0.7");
    std::vector<Popup> popups;
    for (int i = 0; i < 12; ++i) {
        popups.push_back(Open(*seventh, PopupTarget(i < 6 ? "park" : "lee", i < 6 ? park : lee, i % 2)));
        ASSERT_FALSE(popups.back().token.empty()) << popups.back().body;
    }
    std::vector<std::string> bodies(popups.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < popups.size(); ++i) {
        const std::string wrong = WrongCode(CodeOf(popups[i]));
        threads.emplace_back([&, i, wrong] {
            auto client = ClientFrom("127.0.0.7");
            auto answer = Answer(*client, popups[i].token, wrong);
            bodies[i] = answer ? answer->body : "(no answer)";
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    const auto count = [&](const char* text) {
        return std::ranges::count_if(bodies, [&](const std::string& b) { return b.find(text) != std::string::npos; });
    };
    EXPECT_EQ(count("입력한 숫자가 맞지 않습니다."), 2);
    EXPECT_EQ(count("차단"), 10);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM codes WHERE client = '127.0.0.7'"), 9);
}

TEST_P(ServiceTest, MembersSignUpOnTheRegistrationPageOrByTheOperator) {
    StartService({"--limit", "register_per_hour=3", "--popup-base", "https://popup.test"});
    auto form = m_http->Get("/member_regist.html");
    ASSERT_EQ(form->status, 200);
    EXPECT_NE(form->body.find("name=\"UserId\""), std::string::npos);
    const auto signUp = [&](const std::string& user, const std::string& password, const std::string& again) {
        return m_http->Post("/member_regist.html",
                            httplib::Params{{"UserId", user}, {"PassWd", password}, {"PassWd2", again}});
    };
    for (const auto& [user, password, again] : std::vector<std::array<std::string, 3>>{{"kim lee", "s3cret", "s3cret"},
                                                                                       {"", "s3cret", "s3cret"},
                                                                                       {"a&b", "s3cret", "s3cret"},
                                                                                       {"kim", "s3cret", "other1"},
                                                                                       {"kim", "short", "short"},
                                                                                       {"kim", "짧은", "짧은"}}) {
        EXPECT_EQ(signUp(user, password, again)->status, 400) << user << " " << password;
    }
    auto res = signUp("홍길동", "비밀번호1", "비밀번호1");
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_NE(res->body.find("회원 가입을 마쳤습니다"), std::string::npos);
    EXPECT_NE(res->body.find("https://popup.test"), std::string::npos);
    EXPECT_EQ(signUp("홍길동", "s3cret", "s3cret")->status, 409);
    // The converter sends the UserId and the password in CP949.
    const std::string user = Cp949FromUtf8("홍길동");
    EXPECT_TRUE(Upload(user, Cp949FromUtf8("비밀번호1"), "a@ex.com").starts_with("success1 "));
    EXPECT_EQ(signUp("park", "s3cret", "s3cret")->status, 200);
    res = signUp("choi", "s3cret", "s3cret");
    EXPECT_EQ(res->status, 429) << "three sign-ups an hour from one client";

    // The operator's commands, UserIds in the converter's CP949.
    EXPECT_EQ(Operator({"member", "add", "홍길동"}, "x\n").status, 1) << "exists";
    EXPECT_EQ(Operator({"member", "add", "a b"}, "x\n").status, 2);
    EXPECT_EQ(Operator({"member", "add", "lee"}, "").status, 2) << "no password";
    EXPECT_EQ(Operator({"member", "remove", "홍길동"}).status, 0);
    EXPECT_EQ(Operator({"member", "remove", "홍길동"}).status, 1);
    EXPECT_EQ(Upload(user, Cp949FromUtf8("비밀번호1"), "a@ex.com"), "er01");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM addresses"), 0);
}

TEST_P(ServiceTest, SigtermFinishesTheRequestsInFlight) {
    StartService();
    AddMember("kim", "s3cret");
    // The first upload of a member in a process hashes its password (a tenth of a second or
    // more): the stop comes while it runs.
    std::string answer;
    std::thread upload([&] { answer = Upload("kim", "s3cret", "a@ex.com"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    m_service->Signal(SIGTERM);
    upload.join();
    EXPECT_EQ(m_service->Wait(), 0);
    m_service.reset();
    EXPECT_TRUE(answer.starts_with("success1 ")) << answer;
    EXPECT_EQ(Count("SELECT stored FROM members"), 1);
}

INSTANTIATE_TEST_SUITE_P(Storage, ServiceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& param) { return param.param; });

} // namespace
} // namespace orvex::test
