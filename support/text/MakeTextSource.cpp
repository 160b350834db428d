// Writes a source from its template: each @text:NAME@ in it becomes the table NAME of the characters
// file (support/text/characters.txt), spelled in the language of the output (.js, .php or .h), so that
// the indexer and every search engine decode, fold and split text with the same tables.
//
//   findlark_maketext <characters.txt> <template> <output>
//
// @text:NAME@ prints the table line for line as the characters file has it; @text:NAME:fill@ fills
// each paragraph of it to the line width instead. Continued lines are indented four columns deeper
// than the placeholder's line. A template naming a table the file lacks stops the build, as does a
// file that names a character twice: an engine with a hole in its tables would still run, and decode
// differently from the others.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The longest line a filled table makes: the sources' width, which the PHP sources have kept below.
constexpr std::size_t kScriptWidth = 110;
constexpr std::size_t kPhpWidth = 109;

using Line = std::vector<std::string>;
struct Table {
    std::string argument;                      // what follows the name in its [name argument] line
    std::vector<std::vector<Line>> paragraphs; // of lines of words
};

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::map<std::string, Table> readTables(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::map<std::string, Table> tables;
    Table* table = nullptr;
    bool paragraphEnded = true;
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string line = trimmed(raw);
        if (!line.empty() && line[0] == '#')
            continue;
        if (line.empty()) {
            paragraphEnded = true;
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            std::istringstream header(line.substr(1, line.size() - 2));
            std::string name;
            header >> name;
            if (tables.count(name))
                throw std::runtime_error(path + ":" + std::to_string(number) + ": a second [" + name + "]");
            table = &tables[name];
            std::getline(header >> std::ws, table->argument);
            paragraphEnded = true;
            continue;
        }
        if (!table)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": a line before any [table]");
        if (paragraphEnded)
            table->paragraphs.emplace_back();
        paragraphEnded = false;
        std::istringstream text(line);
        Line words;
        for (std::string word; text >> word;)
            words.push_back(word);
        table->paragraphs.back().push_back(words);
    }
    return tables;
}

bool isHexCode(const std::string& s) {
    if (s.size() < 4 || s.size() > 6)
        return false;
    for (const char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

unsigned long codeOf(const std::string& word, int base) {
    std::size_t used = 0;
    const unsigned long code = std::stoul(word, &used, base);
    if (used != word.size() || code > 0x10FFFF)
        throw std::runtime_error("not a code point: " + word);
    return code;
}

std::string hex(unsigned long code, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[code % 16]);
        code /= 16;
    } while (code != 0);
    if (text.size() < static_cast<std::size_t>(digits))
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

enum class Language { JavaScript, Php, Cpp };

// One item of a character class: a code point, a range of them, or ASCII characters as themselves.
struct ClassItem {
    unsigned long first = 0;
    unsigned long last = 0;
    std::string literal;
};

ClassItem classItem(const std::string& word) {
    const auto dash = word.find('-');
    if (dash != std::string::npos && isHexCode(word.substr(0, dash)) && isHexCode(word.substr(dash + 1))) {
        const ClassItem item{codeOf(word.substr(0, dash), 16), codeOf(word.substr(dash + 1), 16), {}};
        if (item.last < item.first)
            throw std::runtime_error("a range that runs backwards: " + word);
        return item;
    }
    if (isHexCode(word)) {
        const unsigned long code = codeOf(word, 16);
        return {code, code, {}};
    }
    for (const char c : word) {
        if (c <= ' ' || c > '~')
            throw std::runtime_error("neither a code point nor ASCII characters: " + word);
    }
    return {0, 0, word};
}

// A code point inside a class in a string literal of the language: the pattern's own escapes for the
// common blanks, a plain space, else a number (as the sources have always spelled them; PCRE has no
// letter for the vertical tab).
std::string classCode(unsigned long code, bool single, Language language) {
    const std::string backslash = language == Language::JavaScript ? "\\\\" : "\\";
    if (single) {
        switch (code) {
        case 0x09:
            return backslash + "t";
        case 0x0A:
            return backslash + "n";
        case 0x0C:
            return backslash + "f";
        case 0x0D:
            return backslash + "r";
        case 0x20:
            return " ";
        default:
            break;
        }
    }
    if (language == Language::JavaScript)
        return "\\\\u" + hex(code, 4);
    return "\\x{" + hex(code, single ? 2 : 1) + "}";
}

// ASCII characters inside a class, in a double-quoted JavaScript or single-quoted PHP string (the PHP
// pattern is delimited by slashes).
std::string classLiteral(const std::string& text, Language language) {
    std::string out;
    for (const char c : text) {
        if (language == Language::JavaScript) {
            if (c == '"')
                out += "\\\"";
            else if (c == '\\')
                out += "\\\\\\\\";
            else if (c == '-' || c == '[' || c == ']')
                out += std::string("\\\\") + c;
            else
                out += c;
        } else {
            if (c == '\'')
                out += "\\'";
            else if (c == '\\')
                out += "\\\\\\\\";
            else if (c == '-' || c == '[' || c == ']' || c == '/')
                out += std::string("\\") + c;
            else
                out += c;
        }
    }
    return out;
}

std::string classText(const ClassItem& item, Language language) {
    if (!item.literal.empty())
        return classLiteral(item.literal, language);
    if (item.first == item.last)
        return classCode(item.first, true, language);
    return classCode(item.first, false, language) + "-" + classCode(item.last, false, language);
}

std::string quoted(const std::string& name, Language language) {
    return language == Language::Php ? "'" + name + "'" : "\"" + name + "\"";
}

// How a table's items are joined on a line and across lines: [sep] between two items on one line,
// [tail] ending a line that goes on, [head] starting the next one after its indent.
struct Style {
    std::string sep;
    std::string tail;
    std::string head;
};

Style listStyle() {
    return {", ", ",", ""};
}

Style stringStyle(Language language, const std::string& sep) {
    if (language == Language::JavaScript)
        return {sep, sep + "\" +", "\""};
    return {sep, sep + "'", ". '"};
}

// The table as text: its lines as given, or each paragraph filled to the width, the first line
// starting at column `column`.
std::string layOut(const std::vector<std::vector<Line>>& paragraphs, const Style& style, bool fill,
                   std::size_t column, const std::string& indent, std::size_t width) {
    std::vector<Line> lines;
    for (const auto& paragraph : paragraphs) {
        if (!fill) {
            lines.insert(lines.end(), paragraph.begin(), paragraph.end());
            continue;
        }
        Line all;
        for (const Line& line : paragraph)
            all.insert(all.end(), line.begin(), line.end());
        lines.push_back(all);
    }
    std::string out;
    std::size_t length = column;
    bool lineStarted = false;
    const auto breakLine = [&] {
        out += style.tail + "\n" + indent + style.head;
        length = indent.size() + style.head.size();
        lineStarted = false;
    };
    for (std::size_t l = 0; l < lines.size(); ++l) {
        if (l > 0)
            breakLine();
        for (const std::string& item : lines[l]) {
            if (lineStarted && fill && length + style.sep.size() + item.size() + style.tail.size() > width)
                breakLine();
            if (lineStarted) {
                out += style.sep;
                length += style.sep.size();
            }
            out += item;
            length += item.size();
            lineStarted = true;
        }
    }
    return out;
}

using Paragraphs = std::vector<std::vector<Line>>;

// Every word of a table, each changed by `change`, keeping the lines and paragraphs.
template <typename Change> Paragraphs mapped(const Paragraphs& paragraphs, Change change) {
    Paragraphs out;
    for (const auto& paragraph : paragraphs) {
        out.emplace_back();
        for (const Line& line : paragraph) {
            Line changed;
            for (const std::string& word : line)
                changed.push_back(change(word));
            out.back().push_back(changed);
        }
    }
    return out;
}

struct Named {
    std::string name;
    unsigned long code;
};

class Characters {
public:
    explicit Characters(std::map<std::string, Table> tables) : m_tables(std::move(tables)) {
        for (const char* run : {"latin1", "greek_upper", "greek_lower"}) {
            unsigned long code = codeOf(table(run).argument, 10);
            for (const auto& paragraph : table(run).paragraphs) {
                for (const Line& line : paragraph) {
                    for (const std::string& name : line) {
                        if (name != "-")
                            add(name, code);
                        ++code;
                    }
                }
            }
        }
        std::size_t cp1252 = 0;
        for (const auto& paragraph : table("cp1252").paragraphs) {
            for (const Line& line : paragraph)
                cp1252 += line.size();
        }
        if (cp1252 != 32)
            throw std::runtime_error("[cp1252] must give the 32 code points of 0x80..0x9F");
        for (const auto& paragraph : table("named").paragraphs) {
            for (const Line& line : paragraph) {
                for (const std::string& entry : line) {
                    const auto equals = entry.find('=');
                    if (equals == std::string::npos)
                        throw std::runtime_error("[named]: not name=code: " + entry);
                    add(entry.substr(0, equals), codeOf(entry.substr(equals + 1), 10));
                }
            }
        }
    }

    // The text of the placeholder @text:NAME@ (`fill` for @text:NAME:fill@).
    std::string text(const std::string& name, bool fill, Language language, std::size_t column,
                     const std::string& indent) const {
        const bool script = language != Language::Cpp;
        const std::size_t width = language == Language::Php ? kPhpWidth : kScriptWidth;
        static const std::map<std::string, std::string> runs = {
            {"LATIN1", "latin1"}, {"GREEK_UPPER", "greek_upper"}, {"GREEK_LOWER", "greek_lower"}};
        if (const auto run = runs.find(name); script && run != runs.end())
            return layOut(table(run->second).paragraphs, stringStyle(language, " "), fill, column, indent,
                          width);
        // Where a run of names starts, as the decimal code point of its first name.
        if (const auto run = runs.find(name.substr(0, name.rfind("_FROM")));
            name.size() > 5 && name.compare(name.size() - 5, 5, "_FROM") == 0 && run != runs.end())
            return std::to_string(codeOf(table(run->second).argument, 10));
        if (name == "NAMED") {
            return layOut(mapped(table("named").paragraphs,
                                 [&](const std::string& entry) {
                                     const auto equals = entry.find('=');
                                     const std::string key = entry.substr(0, equals);
                                     const std::string code =
                                         std::to_string(codeOf(entry.substr(equals + 1), 10));
                                     if (language == Language::JavaScript)
                                         return key + ": " + code;
                                     if (language == Language::Php)
                                         return quoted(key, language) + " => " + code;
                                     return "{" + quoted(key, language) + ", " + code + "}";
                                 }),
                          listStyle(), fill, column, indent, width);
        }
        if (name == "ALL_NAMED") {
            Line all;
            for (const Named& named : m_named)
                all.push_back("{" + quoted(named.name, language) + ", 0x" + hex(named.code, 4) + "}");
            return layOut({{all}}, listStyle(), true, column, indent, width);
        }
        if (name == "CP1252") {
            return layOut(mapped(table("cp1252").paragraphs,
                                 [](const std::string& word) {
                                     const unsigned long code = codeOf(word, 16);
                                     return code == 0 ? std::string("0") : "0x" + hex(code, 4);
                                 }),
                          listStyle(), fill, column, indent, width);
        }
        static const std::map<std::string, std::string> classes = {
            {"BLANK", "blank"}, {"NON_WORD", "non_word"}, {"PUNCTUATION", "punctuation"}};
        if (const auto source = classes.find(name); script && source != classes.end()) {
            return layOut(
                mapped(table(source->second).paragraphs,
                       [&](const std::string& word) { return classText(classItem(word), language); }),
                stringStyle(language, ""), fill, column, indent, width);
        }
        if (const auto source = classes.find(name.substr(0, name.rfind("_SPANS")));
            !script && name.ends_with("_SPANS") && source != classes.end()) {
            // The class for C++: {first, last} code points, ASCII characters one by one.
            Line spans;
            const auto span = [](unsigned long first, unsigned long last) {
                return "{0x" + hex(first, 2) + ", 0x" + hex(last, 2) + "}";
            };
            for (const auto& paragraph : table(source->second).paragraphs) {
                for (const Line& line : paragraph) {
                    for (const std::string& word : line) {
                        const ClassItem item = classItem(word);
                        if (item.literal.empty())
                            spans.push_back(span(item.first, item.last));
                        for (const char c : item.literal)
                            spans.push_back(span(static_cast<unsigned char>(c), static_cast<unsigned char>(c)));
                    }
                }
            }
            return layOut({{spans}}, listStyle(), true, column, indent, width);
        }
        if (name == "NON_WORD_RANGES") {
            // The class above ASCII as first, last pairs, for a test of one character at a time.
            Paragraphs pairs;
            for (const auto& paragraph : table("non_word").paragraphs) {
                pairs.emplace_back();
                for (const Line& line : paragraph) {
                    Line values;
                    for (const std::string& word : line) {
                        ClassItem item = classItem(word);
                        if (!item.literal.empty() || item.last < 0x80)
                            continue;
                        item.first = std::max(item.first, 0x80UL);
                        values.push_back("0x" + hex(item.first, 2));
                        values.push_back("0x" + hex(item.last, 2));
                    }
                    if (!values.empty())
                        pairs.back().push_back(values);
                }
            }
            return layOut(pairs, listStyle(), fill, column, indent, width);
        }
        if (name == "FOLD") {
            Line pairs;
            for (const auto& paragraph : table("fold").paragraphs) {
                for (const Line& line : paragraph) {
                    for (const std::string& entry : line) {
                        const auto equals = entry.find('=');
                        if (equals == std::string::npos)
                            throw std::runtime_error("[fold]: not from=to: " + entry);
                        const unsigned long from = codeOf(entry.substr(0, equals), 16);
                        const unsigned long to = codeOf(entry.substr(equals + 1), 16);
                        pairs.push_back(language == Language::Cpp
                                            ? "{0x" + hex(from, 4) + ", 0x" + hex(to, 4) + "}"
                                            : "0x" + hex(from, 4) + ", 0x" + hex(to, 4));
                    }
                }
            }
            return layOut({{pairs}}, listStyle(), true, column, indent, width);
        }
        throw std::runtime_error("no table @text:" + name + "@ for this language");
    }

private:
    const Table& table(const std::string& name) const {
        const auto found = m_tables.find(name);
        if (found == m_tables.end())
            throw std::runtime_error("the characters file has no [" + name + "]");
        return found->second;
    }

    void add(const std::string& name, unsigned long code) {
        if (!m_names.insert(name).second)
            throw std::runtime_error("the name " + name + " is given twice");
        m_named.push_back({name, code});
    }

    std::map<std::string, Table> m_tables;
    std::set<std::string> m_names;
    std::vector<Named> m_named;
};

Language languageOf(const std::string& output) {
    const auto dot = output.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : output.substr(dot);
    if (extension == ".js")
        return Language::JavaScript;
    if (extension == ".php")
        return Language::Php;
    if (extension == ".h")
        return Language::Cpp;
    throw std::runtime_error(output + ": only .js, .php and .h sources are written");
}

std::string filled(const std::string& text, const Characters& characters, Language language) {
    static const std::string open = "@text:";
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, from)) {
        const std::size_t end = text.find('@', at + open.size());
        if (end == std::string::npos)
            throw std::runtime_error("an unclosed " + text.substr(at, 40));
        std::string name = text.substr(at + open.size(), end - at - open.size());
        bool fill = false;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ":fill") == 0) {
            fill = true;
            name.resize(name.size() - 5);
        }
        out.append(text, from, at - from);
        const std::size_t lineStart = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
        const std::size_t indentEnd = std::min(out.find_first_not_of(' ', lineStart), out.size());
        // A placeholder on a line of its own (but for the quote that opens it) is a continued line already.
        const std::string before = out.substr(indentEnd);
        const bool continued = before.empty() || before == "\"" || before == "'";
        const std::string indent(indentEnd - lineStart + (continued ? 0 : 4), ' ');
        out += characters.text(name, fill, language, out.size() - lineStart, indent);
        from = end + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s CHARACTERS TEMPLATE OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        const Characters characters(readTables(argv[1]));
        std::ifstream in(argv[2], std::ios::binary);
        if (!in)
            throw std::runtime_error(std::string("cannot read ") + argv[2]);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string made = filled(text.str(), characters, languageOf(argv[3]));
        const std::string temporary = std::string(argv[3]) + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << made;
            if (!out.flush())
                throw std::runtime_error(std::string("cannot write ") + temporary);
        }
        if (std::rename(temporary.c_str(), argv[3]) != 0)
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[2], e.what());
        return 1;
    }
    return 0;
}
