// SPDX-License-Identifier: MIT
// The ASP kit, which cannot run here (no IIS, no VBScript): its pages are checked for what would make ASP or the
// VBScript compiler refuse them, or Option Explicit stop them at run time on the first visitor: how the script blocks
// are cut, block structure, undeclared names and the call forms VBScript rejects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "run_process.h"

namespace {

namespace fs = std::filesystem;
using orvex::test::Slurp;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Token {
    enum Kind { Name, Number, String, Punct } kind;
    std::string text; // names in lower case
    int line;
};
using Tokens = std::vector<Token>;

// VBScript's keywords, the built-in functions, constants and objects the kit uses, and ASP's objects.
const std::set<std::string> kKnown = {
    "and",    "or",         "not",           "xor",     "mod",      "is",       "new",    "nothing",
    "null",   "empty",      "true",          "false",   "then",     "else",     "elseif", "end",
    "if",     "for",        "each",          "in",      "to",       "step",     "next",   "do",
    "loop",   "while",      "until",         "wend",    "select",   "case",     "sub",    "function",
    "dim",    "redim",      "preserve",      "const",   "set",      "call",     "exit",   "on",
    "error",  "resume",     "goto",          "option",  "explicit", "byval",    "byref",  "private",
    "public", "cstr",       "clng",          "cdbl",    "cint",     "left",     "right",  "mid",
    "len",    "lenb",       "midb",          "ascb",    "chrb",     "ascw",     "chrw",   "instr",
    "instrb", "replace",    "split",         "join",    "ubound",   "lcase",    "ucase",  "trim",
    "isnull", "isempty",    "isobject",      "array",   "datediff", "now",      "vbcrlf", "vbcr",
    "vblf",   "vbnullchar", "vbobjecterror", "err",     "request",  "response", "server", "application",
    "regexp", "int",        "hex",           "instrrev"};

// Checks VBScript code as the compiler and Option Explicit would, less types. foreignNames: procedures of the
// page's other script language, matched with their case.
class VbsChecker {
public:
    explicit VbsChecker(std::set<std::string> foreignNames) : m_foreign(std::move(foreignNames)) {}

    std::vector<std::string> Check(const std::string& code, int firstLine) {
        m_problems.clear();
        std::vector<Tokens> statements;
        for (const Tokens& line : LogicalLines(code, firstLine))
            Split(line, statements);
        Declare(statements);
        if (statements.empty() || statements[0].size() != 2 || statements[0][0].text != "option" ||
            statements[0][1].text != "explicit")
            m_problems.push_back("Option Explicit is not the first statement");
        m_blocks.clear();
        m_proc.clear();
        for (const Tokens& s : statements)
            Visit(s);
        for (const std::string& open : m_blocks)
            m_problems.push_back(open + " is never closed");
        return m_problems;
    }

private:
    // Lines joined at " _", comments dropped, cut into tokens.
    std::vector<Tokens> LogicalLines(const std::string& code, int firstLine) {
        std::vector<Tokens> lines(1);
        int lineNo = firstLine;
        for (size_t i = 0; i < code.size();) {
            const char c = code[i];
            if (c == '\n') {
                if (!lines.back().empty() && lines.back().back().text == "_")
                    lines.back().pop_back();
                else
                    lines.emplace_back();
                ++lineNo, ++i;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '\'') {
                i = code.find('\n', i);
                i = i == std::string::npos ? code.size() : i;
            } else if (c == '"') {
                size_t j = i + 1;
                for (; j < code.size() && code[j] != '\n'; ++j) {
                    if (code[j] == '"' && (j + 1 >= code.size() || code[j + 1] != '"'))
                        break;
                    if (code[j] == '"')
                        ++j;
                }
                const bool closed = j < code.size() && code[j] == '"';
                if (!closed)
                    m_problems.push_back("line " + std::to_string(lineNo) + ": unterminated string");
                lines.back().push_back({Token::String, code.substr(i, j + 1 - i), lineNo});
                i = closed ? j + 1 : j;
            } else if (c == '&' && i + 2 < code.size() && (code[i + 1] == 'H' || code[i + 1] == 'h') &&
                       std::isxdigit(static_cast<unsigned char>(code[i + 2]))) {
                size_t j = i + 2;
                while (j < code.size() && std::isxdigit(static_cast<unsigned char>(code[j])))
                    ++j;
                j += j < code.size() && code[j] == '&';
                lines.back().push_back({Token::Number, code.substr(i, j - i), lineNo});
                i = j;
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                size_t j = i;
                while (j < code.size() && (std::isdigit(static_cast<unsigned char>(code[j])) || code[j] == '.'))
                    ++j;
                lines.back().push_back({Token::Number, code.substr(i, j - i), lineNo});
                i = j;
            } else if (std::isalpha(static_cast<unsigned char>(c))) {
                size_t j = i;
                while (j < code.size() && (std::isalnum(static_cast<unsigned char>(code[j])) || code[j] == '_'))
                    ++j;
                const std::string word = code.substr(i, j - i);
                if (Lower(word) == "rem") {
                    j = code.find('\n', i);
                    j = j == std::string::npos ? code.size() : j;
                } else {
                    lines.back().push_back({Token::Name, word, lineNo});
                }
                i = j;
            } else {
                lines.back().push_back({Token::Punct, std::string(1, c), lineNo});
                ++i;
            }
        }
        for (Tokens& line : lines) {
            for (Token& t : line) {
                if (t.kind == Token::Name && !m_foreign.contains(t.text))
                    t.text = Lower(t.text);
            }
        }
        return lines;
    }

    // Statements end at ":" and, in a one-line If, at Then and Else.
    static void Split(const Tokens& line, std::vector<Tokens>& out) {
        Tokens current;
        auto flush = [&] {
            if (!current.empty())
                out.push_back(current);
            current.clear();
        };
        bool oneLineIf = false;
        for (size_t i = 0; i < line.size(); ++i) {
            const Token& t = line[i];
            if (t.kind == Token::Punct && t.text == ":") {
                flush();
            } else if (t.kind == Token::Name && t.text == "then" && i + 1 < line.size() && !current.empty() &&
                       current[0].text == "if") {
                current.push_back(t);
                current.push_back({Token::Name, "(one-line)", t.line});
                flush();
                oneLineIf = true;
            } else if (oneLineIf && t.kind == Token::Name && t.text == "else") {
                flush();
            } else {
                current.push_back(t);
            }
        }
        flush();
    }

    // Names after Dim, ReDim [Preserve] or Const, and after each comma outside parentheses.
    static std::vector<Token> DeclaredNames(const Tokens& s) {
        std::vector<Token> names;
        size_t i = 1;
        if (s[0].text == "redim" && s.size() > 1 && s[1].text == "preserve")
            i = 2;
        bool expectName = true;
        int depth = 0;
        for (; i < s.size(); ++i) {
            const std::string& t = s[i].text;
            if (t == "(")
                ++depth;
            else if (t == ")")
                --depth;
            else if (depth == 0 && t == ",")
                expectName = true;
            else if (depth == 0 && expectName && s[i].kind == Token::Name)
                names.push_back(s[i]), expectName = false;
            else if (depth == 0 && t == "=")
                expectName = false;
        }
        return names;
    }

    // Private or Public ahead of a statement.
    static size_t Start(const Tokens& s) { return s.size() > 1 && (s[0].text == "private" || s[0].text == "public"); }

    void Declare(const std::vector<Tokens>& statements) {
        std::string proc;
        for (const Tokens& s : statements) {
            const size_t k = Start(s);
            const std::string& first = s[k].text;
            if ((first == "sub" || first == "function") && k + 1 < s.size()) {
                proc = s[k + 1].text;
                if (m_globals.contains(proc) || m_subs.contains(proc) || m_functions.contains(proc))
                    m_problems.push_back("line " + std::to_string(s[0].line) + ": " + proc + " is defined twice");
                (first == "sub" ? m_subs : m_functions).insert(proc);
                auto& locals = m_locals[proc];
                for (size_t i = k + 2; i < s.size(); ++i) {
                    if (s[i].kind == Token::Name && s[i].text != "byval" && s[i].text != "byref")
                        locals.insert(s[i].text);
                }
            } else if (first == "end" && s.size() > 1 && (s[1].text == "sub" || s[1].text == "function")) {
                proc.clear();
            } else if (first == "dim" || first == "const" || first == "redim") {
                auto& scope = proc.empty() ? m_globals : m_locals[proc];
                for (const Token& name : DeclaredNames(s)) {
                    if (!scope.insert(name.text).second && first != "redim")
                        m_problems.push_back("line " + std::to_string(name.line) + ": " + name.text +
                                             " is declared twice");
                }
            }
        }
    }

    bool Declared(const std::string& name) const {
        if (kKnown.contains(name) || m_foreign.contains(name) || m_globals.contains(name) || m_subs.contains(name) ||
            m_functions.contains(name))
            return true;
        const auto it = m_locals.find(m_proc);
        return !m_proc.empty() && it != m_locals.end() && it->second.contains(name);
    }

    void Problem(const Token& t, const std::string& what) {
        m_problems.push_back("line " + std::to_string(t.line) + ": " + what);
    }

    void Close(const Token& at, const std::string& kind) {
        if (m_blocks.empty() || m_blocks.back() != kind) {
            Problem(at, "closes " + kind + " but " + (m_blocks.empty() ? "nothing" : m_blocks.back()) + " is open");
            return;
        }
        m_blocks.pop_back();
        if (kind == "sub" || kind == "function")
            m_proc.clear();
    }

    void Visit(const Tokens& s) {
        const size_t k = Start(s);
        const std::string& first = s[k].text;
        const std::string second = s.size() > k + 1 ? s[k + 1].text : "";
        if (first == "sub" || first == "function") {
            if (!m_blocks.empty())
                Problem(s[0], first + " inside " + m_blocks.back());
            m_blocks.push_back(first);
            m_proc = second;
            return;
        }
        if (first == "end") {
            if (second == "if" || second == "sub" || second == "function" || second == "select")
                Close(s[0], second);
            return;
        }
        if (first == "if" && s.back().text == "then")
            m_blocks.push_back("if");
        else if ((first == "else" || first == "elseif") && (m_blocks.empty() || m_blocks.back() != "if"))
            Problem(s[0], first + " outside an If");
        else if (first == "for" || first == "do" || first == "while" || first == "select")
            m_blocks.push_back(first);
        else if (first == "next")
            Close(s[0], "for");
        else if (first == "loop")
            Close(s[0], "do");
        else if (first == "wend")
            Close(s[0], "while");
        else if (first == "exit" && std::find(m_blocks.begin(), m_blocks.end(), second) == m_blocks.end())
            Problem(s[0], "Exit " + second + " outside a " + second);
        // Calling a procedure as a statement: no parentheses around two or more arguments.
        if (s[0].kind == Token::Name && (m_subs.contains(first) || m_functions.contains(first)) && s.size() > 2 &&
            s[1].text == "(" && s.back().text == ")") {
            int depth = 0;
            for (size_t i = 1; i + 1 < s.size(); ++i) {
                depth += s[i].text == "(" ? 1 : s[i].text == ")" ? -1 : 0;
                if (depth == 1 && s[i].text == ",")
                    Problem(s[0], first + " called with its arguments in parentheses");
                if (depth == 0)
                    break;
            }
        }
        for (size_t i = 0; i < s.size(); ++i) {
            const Token& t = s[i];
            if (t.kind != Token::Name || t.text == "(one-line)" || (i > 0 && s[i - 1].text == "."))
                continue;
            if (!Declared(t.text))
                Problem(t, t.text + " is not declared");
            if (m_subs.contains(t.text) && i != 0 && s[i - 1].text != "call")
                Problem(t, "Sub " + t.text + " used as a value");
        }
    }

    std::set<std::string> m_foreign, m_globals, m_subs, m_functions;
    std::map<std::string, std::set<std::string>> m_locals;
    std::vector<std::string> m_blocks, m_problems;
    std::string m_proc;
};

// An .asp page: its directive, then script blocks cut where ASP cuts them, at the first "%>".
struct AspPage {
    std::string directive;
    std::vector<std::pair<std::string, int>> blocks; // code, first line
    std::string between;                             // what lies outside directive and blocks: sent as it is
};

int LineOf(const std::string& text, size_t pos) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
}

AspPage CutAsp(const std::string& text) {
    AspPage page;
    size_t pos = 0;
    if (text.starts_with("<%@")) {
        pos = text.find("%>") + 2;
        page.directive = text.substr(0, pos);
    }
    while (pos < text.size()) {
        const size_t open = text.find("<%", pos);
        page.between += text.substr(pos, open == std::string::npos ? std::string::npos : open - pos);
        if (open == std::string::npos)
            break;
        const size_t close = text.find("%>", open + 2);
        page.blocks.emplace_back(text.substr(open + 2, close - open - 2), LineOf(text, open));
        pos = close == std::string::npos ? text.size() : close + 2;
    }
    return page;
}

// Server-side script blocks of a language (<script language="..." runat="server">), with their first line.
std::vector<std::pair<std::string, int>> ScriptBlocks(const std::string& text, const std::string& language) {
    std::vector<std::pair<std::string, int>> blocks;
    const std::regex open("<script language=\"" + language + "\" runat=\"server\">", std::regex::icase);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), open); it != std::sregex_iterator(); ++it) {
        const size_t from = static_cast<size_t>(it->position() + it->length());
        const size_t to = Lower(text).find("</script>", from);
        blocks.emplace_back(text.substr(from, to - from), LineOf(text, from));
    }
    return blocks;
}

bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= s.size())
            return false;
        for (size_t j = 1; j <= n; ++j) {
            if ((static_cast<unsigned char>(s[i + j]) & 0xC0) != 0x80)
                return false;
        }
        i += n + 1;
    }
    return true;
}

std::string Kit(const std::string& name) {
    return std::string(ORVEX_CGIDATA_DIR) + "/asp/" + name;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

// The checker's own test: each snippet holds one fault of the kinds it looks for.
TEST(AspKitSources, TheCheckerFindsEachKindOfFault) {
    const std::pair<const char*, const char*> cases[] = {
        {"Option Explicit\nSub A()\n  x = 1\nEnd Sub\n", "x is not declared"},
        {"Option Explicit\nSub A()\n  Dim x\n  If x Then\n    x = 1\nEnd Sub\n", "closes sub but if is open"},
        {"Option Explicit\nSub A(p, q)\nEnd Sub\nSub B()\n  A(1, 2)\nEnd Sub\n", "called with its arguments"},
        {"Option Explicit\nSub A()\nEnd Sub\nFunction B()\n  B = A()\nEnd Function\n", "used as a value"},
        {"Option Explicit\nSub A()\n  Exit Function\nEnd Sub\n", "Exit function outside"},
        {"Option Explicit\nSub A()\n  Dim s\n  s = \"50%\n  s = 1\nEnd Sub\n", "unterminated string"},
        {"Option Explicit\nSub A()\n  Dim s, s\nEnd Sub\n", "declared twice"},
        {"Dim x\nOption Explicit\n", "Option Explicit is not the first"},
        {"Option Explicit\nSub A()\n  Dim i\n  For i = 1 To 2\nEnd Sub\n", "closes sub but for is open"},
    };
    for (const auto& [code, fault] : cases) {
        const std::string problems = Join(VbsChecker({}).Check(code, 1));
        EXPECT_NE(problems.find(fault), std::string::npos) << code << "gave:\n" << problems;
    }
    // One-line Ifs, continuations, comments and hex literals are not faults.
    const char* fine = "Option Explicit\nConst K = &HD800&\nDim g\nFunction F(ByVal a)\n"
                       "  Dim s: s = \"it's \"\"quoted\"\" ' no comment\" ' a comment with \"\n"
                       "  If a Then F = 1: Exit Function Else F = K + _\n    2\n  g = F\nEnd Function\n";
    EXPECT_EQ(Join(VbsChecker({}).Check(fine, 1)), "");
}

// antispamin.asp is one VBScript block right after the directive (Option Explicit must come before any output, so
// nothing may lie between them) and the JScript clock; antispamout.asp one block that transfers to it.
TEST(AspKitSources, PagesAreCutWhereAspCutsThem) {
    const std::string in = Slurp(Kit("antispamin.asp"));
    ASSERT_TRUE(ValidUtf8(in));
    const AspPage page = CutAsp(in);
    EXPECT_EQ(page.directive, "<%@ Language=\"VBScript\" CodePage=\"65001\" EnableSessionState=\"False\" %>");
    ASSERT_EQ(page.blocks.size(), 1u);
    EXPECT_TRUE(page.blocks[0].first.starts_with(" Option Explicit\n"));
    const auto jscript = ScriptBlocks(in, "JScript");
    ASSERT_EQ(jscript.size(), 1u);
    EXPECT_EQ(std::regex_replace(page.between, std::regex("<script[\\s\\S]*</script>\n"), ""), "");
    EXPECT_EQ(in.find("<!--#"), std::string::npos) << "an include directive, even in a comment, is processed";

    const std::string out = Slurp(Kit("antispamout.asp"));
    const AspPage answer = CutAsp(out);
    EXPECT_EQ(answer.directive, page.directive);
    ASSERT_EQ(answer.blocks.size(), 1u);
    EXPECT_NE(answer.blocks[0].first.find("\nServer.Transfer \"antispamin.asp\"\n"), std::string::npos);

    const std::string asa = Slurp(Kit("global.asa"));
    EXPECT_EQ(asa.find("<%"), std::string::npos);
    EXPECT_EQ(ScriptBlocks(asa, "VBScript").size(), 1u);
    // The COM component comes from the Windows build only: a Linux build has it when a Windows
    // build of the same tree merged its kit parts in (and it is then a Windows library).
    if (fs::exists(Kit("GetPng.dll"))) {
        EXPECT_EQ(Slurp(Kit("GetPng.dll")).substr(0, 2), "MZ");
    }
}

TEST(AspKitSources, VbscriptDeclaresEveryNameAndClosesEveryBlock) {
    const std::string in = Slurp(Kit("antispamin.asp"));
    std::set<std::string> jscriptNames;
    const std::string clock = ScriptBlocks(in, "JScript").at(0).first;
    const std::regex function("function (\\w+)");
    for (auto it = std::sregex_iterator(clock.begin(), clock.end(), function); it != std::sregex_iterator(); ++it)
        jscriptNames.insert((*it)[1]);
    EXPECT_EQ(jscriptNames, std::set<std::string>{"kitUnixTime"});
    const auto [code, line] = CutAsp(in).blocks.at(0);
    EXPECT_EQ(Join(VbsChecker(jscriptNames).Check(code, line)), "");
    const auto [answer, answerLine] = CutAsp(Slurp(Kit("antispamout.asp"))).blocks.at(0);
    EXPECT_EQ(Join(VbsChecker({}).Check(answer, answerLine)), "");
}

// The ASP kit cannot run here, so the limits every kit shares are checked where they stand: once each, in the one
// settings table, and every key read is one of them (a key it lacks reads as Empty, which compares as 0, "no limit").
TEST(AspKitSources, SettingsTableHoldsEachLimitOnceWithItsDefault) {
    const std::string in = Slurp(Kit("antispamin.asp"));
    const std::regex setting("kitConfigValues\\(\"(\\w+)\"\\) = (\\d+)");
    std::multimap<std::string, std::string> found;
    for (auto it = std::sregex_iterator(in.begin(), in.end(), setting); it != std::sregex_iterator(); ++it)
        found.emplace((*it)[1], (*it)[2]);
    const std::multimap<std::string, std::string> expected = {
        {"token_seconds", "180"},          {"max_failures", "5"},     {"failure_window", "600"},
        {"block_seconds", "1800"},         {"reveal_per_hour", "10"}, {"reveal_per_day", "30"},
        {"reveal_per_day_network", "100"}, {"popup_per_hour", "30"}};
    EXPECT_EQ(found, expected);
    const std::regex read("KitConfig\\(\"(\\w*)\"\\)");
    for (auto it = std::sregex_iterator(in.begin(), in.end(), read); it != std::sregex_iterator(); ++it)
        EXPECT_TRUE(expected.contains((*it)[1])) << (*it)[0];
}

} // namespace
