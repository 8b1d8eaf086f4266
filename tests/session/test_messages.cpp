// The Messages help page names every box and error line the program and zvl can show. The
// texts are read out of the sources, so a message added anywhere is caught here:
//  - named message constants: `constexpr ... kSomethingText / ...Question / ...Message = "..."`;
//  - the texts handed to the prompts (warning, information, confirm, choiceBox, inputBox), to
//    zvl's fail() and to fprintf(stderr, ...);
//  - the texts inside functions that build a message (named ...Text, ...Message, ...Question,
//    ...Note, and zvl's portGone);
//  - the texts given to an error variable (`error = "..."`, `error_ = ...`, `.error = ...`,
//    `why = ...`, `reason = ...`);
//  - a sentence returned as an error (`return "The printer could not be started.";`).
// kNotMessages names the few builders and constants that look like messages and are not.
// ZVL_LIST_MESSAGES=1 prints every text found.
// Each literal piece counts (the parts between the file names and numbers filled in), trimmed
// of blanks and punctuation at its ends; pieces without a word in them are skipped.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const fs::path kSource = ZVL_SOURCE_DIR;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string collapse(const std::string& s) {
    std::string out;
    for (char c : s) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// The page as a reader sees it: tags out, entities decoded, blanks collapsed.
std::string pageText(const fs::path& p) {
    std::string html = std::regex_replace(readFile(p), std::regex("<[^>]*>"), " ");
    const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (size_t at; (at = html.find(from)) != std::string::npos;) html.replace(at, std::string(from).size(), to);
    return collapse(html);
}

struct Literal {
    size_t at;         // offset of the opening quote in the file
    std::string text;  // unescaped
};

// The file with comments and string literals blanked (same length), and its literals.
struct Scanned {
    std::string code;
    std::vector<Literal> literals;
};

Scanned scan(const std::string& src) {
    Scanned s{src, {}};
    for (size_t i = 0; i < src.size();) {
        if (src.compare(i, 2, "//") == 0) {
            for (; i < src.size() && src[i] != '\n'; ++i) s.code[i] = ' ';
        } else if (src.compare(i, 2, "/*") == 0) {
            const size_t end = std::min(src.find("*/", i + 2), src.size() - 2) + 2;
            for (; i < end; ++i) s.code[i] = ' ';
        } else if (src[i] == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(src[i - 1])))) {
            // A character literal (a quote after a digit separates digits: 30'000).
            const size_t start = i++;
            for (; i < src.size() && src[i] != '\''; ++i)
                if (src[i] == '\\') ++i;
            for (size_t k = start + 1; k < i && k < src.size(); ++k) s.code[k] = ' ';
            ++i;
        } else if (src[i] == '"' && i > 0 && src[i - 1] == 'R') {
            // A raw string (the patterns of regexes): blanked, never a message.
            const size_t open = src.find('(', i);
            const std::string end = ")" + src.substr(i + 1, open - i - 1) + "\"";
            const size_t stop = std::min(src.find(end, open), src.size() - end.size()) + end.size();
            for (; i < stop; ++i) s.code[i] = ' ';
        } else if (src[i] == '"') {
            Literal lit{i, {}};
            for (++i; i < src.size() && src[i] != '"'; ++i) {
                s.code[i] = ' ';
                if (src[i] == '\\' && i + 1 < src.size() && src[i + 1] >= '0' && src[i + 1] <= '7') {
                    int value = 0;
                    for (int k = 0; k < 3 && i + 1 < src.size() && src[i + 1] >= '0' && src[i + 1] <= '7'; ++k)
                        value = value * 8 + (src[++i] - '0'), s.code[i] = ' ';
                    lit.text += char(value);
                } else if (src[i] == '\\' && i + 1 < src.size()) {
                    s.code[++i] = ' ';
                    lit.text += src[i] == 'n' ? '\n' : src[i] == 't' ? '\t' : src[i];
                } else {
                    lit.text += src[i];
                }
            }
            ++i;
            s.literals.push_back(lit);
        } else {
            ++i;
        }
    }
    return s;
}

// The end of the bracketed span that opens at `open` ('(' or '{').
size_t closing(const std::string& code, size_t open) {
    const char o = code[open], c = o == '(' ? ')' : '}';
    int depth = 0;
    for (size_t i = open; i < code.size(); ++i) {
        if (code[i] == o) ++depth;
        if (code[i] == c && --depth == 0) return i;
    }
    return code.size();
}

struct Fragment {
    std::string text;
    std::string where;  // file:line
};

// The words of a literal, cut where numbers and names are filled in (printf conversions and
// line breaks), trimmed of blanks and punctuation at the ends.
std::vector<std::string> pieces(const std::string& literal) {
    std::vector<std::string> out;
    const std::regex cut(R"(%[-0-9.]*(lld|ld|zu|d|u|s|f|g)|\n|\r|\x1b\[K)");
    for (std::sregex_token_iterator t(literal.begin(), literal.end(), cut, -1), end; t != end; ++t) {
        std::string p = collapse(t->str());
        const std::string trim = " \"'():;,.";
        p.erase(0, std::min(p.find_first_not_of(trim), p.size()));
        p.erase(p.find_last_not_of(trim) + 1);
        if (std::regex_search(p, std::regex("[A-Za-z]{2,}"))) out.push_back(p);
    }
    return out;
}

// Functions and constants named like messages that make file contents, labels or numbers, or
// stand in the About box.
const std::set<std::string> kNotMessages = {"kSoftwareVersionText", "kAboutContactText","boxStartText", "csvText",          "dutyText",
                                            "exportText",   "firmwareText",     "numberText",
                                            "portNumberFromText", "secondsText", "settingsOnlyText",
                                            "usefulInformationText", "vcdText"};

std::vector<Fragment> messageTexts() {
    const std::regex constant(
        R"(constexpr\s+(const\s+)?char\s*(const\s*)?\*?\s*(const\s+)?(k\w*(Text|Question|Message))\s*(\[\])?\s*=)");
    const std::regex call(R"(\b(warning|information|confirm|choiceBox|inputBox|fail|fprintf)\s*\()");
    const std::regex builder(R"(\b(\w*[Mm]essage|\w+(Text|Question|Note)|portGone)\s*\([^;{}()]*\)\s*(const\s*)?(override\s*)?\{)");
    const std::regex sentence(R"(\breturn\s*$)");
    const std::regex errorAssign(R"(\b(\w*[Ee]rror\w*|why|\w*[Rr]eason)\s*=[^=])");
    std::vector<Fragment> out;
    for (const char* folder : {"core", "platform", "link", "files", "viewer", "search", "session", "qt", "app", "cli"}) {
        for (const auto& entry : fs::recursive_directory_iterator(kSource / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            const std::string src = readFile(entry.path());
            const Scanned s = scan(src);
            // Spans of the code whose literals are message texts.
            std::vector<std::pair<size_t, size_t>> spans;
            for (std::sregex_iterator m(s.code.begin(), s.code.end(), constant), end; m != end; ++m)
                if (!kNotMessages.count((*m)[4].str()))
                    spans.emplace_back(m->position(), s.code.find(';', m->position()));
            for (std::sregex_iterator m(s.code.begin(), s.code.end(), call), end; m != end; ++m) {
                const size_t open = m->position() + m->length() - 1;
                spans.emplace_back(open, closing(s.code, open));
            }
            for (std::sregex_iterator m(s.code.begin(), s.code.end(), builder), end; m != end; ++m) {
                if (kNotMessages.count((*m)[1].str())) continue;
                const size_t open = m->position() + m->length() - 1;
                spans.emplace_back(open, closing(s.code, open));
            }
            for (std::sregex_iterator m(s.code.begin(), s.code.end(), errorAssign), end; m != end; ++m)
                spans.emplace_back(m->position(), s.code.find(';', m->position()));
            // A sentence returned as an error: return "The printer could not be started.";
            for (const Literal& lit : s.literals) {
                const std::string before = s.code.substr(lit.at - std::min<size_t>(lit.at, 40), std::min<size_t>(lit.at, 40));
                const char last = lit.text.empty() ? ' ' : lit.text.back();
                if ((last == '.' || last == '?') && std::regex_search(before, sentence))
                    spans.emplace_back(lit.at - 1, lit.at + 1);
            }
            const std::string relative = fs::relative(entry.path(), kSource).string();
            for (const Literal& lit : s.literals) {
                bool inSpan = false;
                for (const auto& [from, to] : spans) inSpan = inSpan || (lit.at > from && lit.at < to);
                if (!inSpan) continue;
                const auto line = 1 + std::count(src.begin(), src.begin() + std::ptrdiff_t(lit.at), '\n');
                for (const std::string& p : pieces(lit.text))
                    out.push_back({p, relative + ":" + std::to_string(line)});
            }
        }
    }
    return out;
}

TEST(MessagesPage, NamesEveryMessageTextOfTheCode) {
    const std::vector<Fragment> texts = messageTexts();
    if (std::getenv("ZVL_LIST_MESSAGES"))  // every text found, for a look at what is extracted
        for (const Fragment& f : texts) std::printf("%s: %s\n", f.where.c_str(), f.text.c_str());
    EXPECT_GT(texts.size(), 60u) << "the extraction found too few texts to be working";
    const std::string page = pageText(kSource / "help" / "messages.html");
    std::map<std::string, std::string> missing;  // text -> where, each text once
    for (const Fragment& f : texts)
        if (page.find(f.text) == std::string::npos) missing.emplace(f.text, f.where);
    std::string report;
    for (const auto& [text, where] : missing) report += "  " + where + ": " + text + "\n";
    EXPECT_TRUE(missing.empty()) << "help/messages.html lacks " << missing.size()
                                 << " message texts; add each, with what it means and what to do:\n"
                                 << report;
}

}  // namespace
