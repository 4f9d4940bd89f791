#include "tsql.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>

namespace standin {
namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool sameName(std::string_view a, std::string_view b)
{
    return upper(a) == upper(b);
}

// The hospital's five databases and where each table lives. The fixture
// file holds all of them, so a statement that names the wrong database
// would work here and fail on the hospital's server; the stand-in refuses it.
struct CatalogEntry
{
    const char *table;
    const char *database;
};
constexpr CatalogEntry Catalog[] = {
    {"tbmaster", "patient_data"},  {"tbpatient", "patient_data"},           {"tbLABmaster", "Laboratory"},
    {"tbcoLabExam", "build_file"}, {"tbnursecommunicationfile", "Station"}, {"tbinvmaster", "Inventory"},
    {"tbinvent", "Inventory"},
};
constexpr const char *Databases[] = {"patient_data", "Laboratory", "build_file", "Station", "Inventory", "master"};

// ---------------------------------------------------------------- tokens

struct Raw
{
    enum Kind { Word, Bracketed, Quoted, String, Number, Op, Dot, Param, Other };
    Kind kind;
    std::string text; // as written (a string literal: its body, doubled quotes kept)
    std::string value; // bracketed and quoted names: the name itself
};

bool isWordStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}

bool isWordChar(unsigned char c)
{
    return isWordStart(c) || std::isdigit(c) || c == '$';
}

ServerError syntaxNear(std::string_view near)
{
    return {"42000", 102, "Incorrect syntax near '" + std::string(near) + "'."};
}

bool tokenize(const std::string &in, std::vector<Raw> &out, ServerError &error)
{
    size_t i = 0;
    const size_t n = in.size();
    const auto at = [&](size_t k) -> unsigned char { return k < n ? static_cast<unsigned char>(in[k]) : 0; };
    while (i < n) {
        const unsigned char c = at(i);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '-' && at(i + 1) == '-') {
            while (i < n && in[i] != '\n')
                ++i;
        } else if (c == '/' && at(i + 1) == '*') {
            // T-SQL block comments nest.
            int depth = 0;
            do {
                if (at(i) == '/' && at(i + 1) == '*') {
                    ++depth;
                    i += 2;
                } else if (at(i) == '*' && at(i + 1) == '/') {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            } while (depth > 0 && i < n);
            if (depth > 0) {
                error = {"42000", 113, "Missing end comment mark '*/'."};
                return false;
            }
        } else if (c == '\'' || ((c == 'N' || c == 'n') && at(i + 1) == '\'')) {
            size_t k = i + (c == '\'' ? 1 : 2);
            const size_t start = k;
            bool closed = false;
            while (k < n) {
                if (in[k] == '\'') {
                    if (at(k + 1) == '\'') {
                        k += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                ++k;
            }
            if (!closed) {
                error = {"42000", 105,
                         "Unclosed quotation mark after the character string '" + in.substr(start) + "'."};
                return false;
            }
            out.push_back({Raw::String, in.substr(start, k - start), {}});
            i = k + 1;
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            size_t k = i + 1;
            std::string name;
            bool closed = false;
            while (k < n) {
                if (in[k] == close) {
                    if (k + 1 < n && in[k + 1] == close) {
                        name += close;
                        k += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                name += in[k++];
            }
            if (!closed) {
                error = {"42000", 105,
                         "Unclosed quotation mark after the character string '" + in.substr(i + 1) + "'."};
                return false;
            }
            out.push_back({c == '[' ? Raw::Bracketed : Raw::Quoted, in.substr(i, k + 1 - i), name});
            i = k + 1;
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
            size_t k = i;
            if (c == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
                k += 2;
                while (std::isxdigit(at(k)))
                    ++k;
            } else {
                while (std::isdigit(at(k)))
                    ++k;
                if (at(k) == '.') {
                    ++k;
                    while (std::isdigit(at(k)))
                        ++k;
                }
                if ((at(k) == 'e' || at(k) == 'E')
                    && (std::isdigit(at(k + 1))
                        || ((at(k + 1) == '+' || at(k + 1) == '-') && std::isdigit(at(k + 2))))) {
                    k += 2;
                    while (std::isdigit(at(k)))
                        ++k;
                }
            }
            out.push_back({Raw::Number, in.substr(i, k - i), {}});
            i = k;
        } else if (isWordStart(c)) {
            size_t k = i;
            while (k < n && isWordChar(at(k)))
                ++k;
            out.push_back({Raw::Word, in.substr(i, k - i), {}});
            i = k;
        } else if (c == '.') {
            out.push_back({Raw::Dot, ".", {}});
            ++i;
        } else if (c == '?') {
            out.push_back({Raw::Param, "?", {}});
            ++i;
        } else {
            static const char *const twoChar[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
            std::string op(1, char(c));
            for (const char *two : twoChar) {
                if (in.compare(i, 2, two) == 0) {
                    op = two;
                    break;
                }
            }
            const bool known = std::string_view("+-*/%=<>(),;&|^~!").find(char(c)) != std::string_view::npos;
            out.push_back({known ? Raw::Op : Raw::Other, op, {}});
            i += op.size();
        }
    }
    return true;
}

// ------------------------------------------------------ SQLite's tokens

struct Emit
{
    enum Role { Atom, Func, Open, Close, Comma, Op, Keyword };
    Role role;
    std::string text;
    std::string word; // keywords: upper case
};

bool isKeyword(const std::string &word)
{
    static const char *const keywords[] = {
        "SELECT",  "FROM",     "WHERE",     "AND",    "OR",        "NOT",    "IS",    "IN",    "LIKE",
        "BETWEEN", "ESCAPE",   "AS",        "ON",     "JOIN",      "LEFT",   "RIGHT", "INNER", "OUTER",
        "FULL",    "CROSS",    "GROUP",     "BY",     "ORDER",     "HAVING", "ASC",   "DESC",  "UNION",
        "ALL",     "DISTINCT", "TOP",       "CASE",   "WHEN",      "THEN",   "ELSE",  "END",   "INTO",
        "WITH",    "OVER",     "PARTITION", "EXCEPT", "INTERSECT", "APPLY",  "ANY",   "SOME",  "COLLATE",
        "PERCENT", "TIES",     "OFFSET",    "FETCH",  "ROWS",      "ONLY",   "NEXT",  "FOR",   "EXISTS",
    };
    return std::find(std::begin(keywords), std::end(keywords), word) != std::end(keywords);
}

std::string quoteIdentifier(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

class Statement
{
public:
    explicit Statement(const std::vector<Raw> &tokens) : m_raw(tokens) { }

    bool convert(ServerError &error);
    std::string sql(std::vector<std::string> &unnamed) const;

private:
    bool refuseWrite(size_t at, ServerError &error) const;
    bool name(size_t &i, bool tablePosition, ServerError &error);

    const std::vector<Raw> &m_raw;
    std::vector<Emit> m_out;
    std::string m_limit;

    // Folding '+' into tsql_add(): T-SQL's '+' adds numbers and joins texts.
    size_t closeOf(size_t open, size_t end) const;
    size_t endOf(size_t caseAt, size_t end) const;
    bool operand(size_t i, size_t end, size_t &next) const;
    std::string unit(size_t begin, size_t end) const;
    std::string fold(size_t begin, size_t end) const;
};

bool Statement::refuseWrite(size_t at, ServerError &error) const
{
    const std::string verb = upper(m_raw[at].text);
    // The object the statement names, as SQL Server would quote it.
    std::string object;
    std::string database;
    size_t k = at + 1;
    while (k < m_raw.size() && m_raw[k].kind == Raw::Word
           && (isKeyword(upper(m_raw[k].text)) || sameName(m_raw[k].text, "TABLE") || sameName(m_raw[k].text, "VIEW")
               || sameName(m_raw[k].text, "INDEX") || sameName(m_raw[k].text, "PROCEDURE")))
        ++k;
    std::vector<std::string> parts;
    while (k < m_raw.size()) {
        const Raw &t = m_raw[k];
        if (t.kind == Raw::Word)
            parts.push_back(t.text);
        else if (t.kind == Raw::Bracketed || t.kind == Raw::Quoted)
            parts.push_back(t.value);
        else
            break;
        ++k;
        if (k < m_raw.size() && m_raw[k].kind == Raw::Dot) {
            while (k < m_raw.size() && m_raw[k].kind == Raw::Dot) {
                ++k;
                if (k < m_raw.size() && m_raw[k].kind == Raw::Dot)
                    parts.emplace_back();
            }
            continue;
        }
        break;
    }
    if (!parts.empty()) {
        object = parts.back();
        if (parts.size() >= 3)
            database = parts[parts.size() - 3];
    }
    if (database.empty())
        database = databaseOf(object);
    if (database.empty())
        database = "master";

    if (verb == "INSERT" || verb == "UPDATE" || verb == "DELETE" || verb == "MERGE") {
        error = {"42000", 229,
                 "The " + verb + " permission was denied on the object '" + object + "', database '" + database
                     + "', schema 'dbo'."};
    } else if (verb == "EXEC" || verb == "EXECUTE") {
        error = {"42000", 229,
                 "The EXECUTE permission was denied on the object '" + object + "', database '" + database
                     + "', schema 'dbo'."};
    } else if (verb == "CREATE" || verb == "INTO") {
        error = {"42000", 262, "CREATE TABLE permission denied in database '" + database + "'."};
    } else if (verb == "DROP" || verb == "ALTER") {
        error = {"42000", verb == "DROP" ? 3701 : 4902,
                 std::string("Cannot ") + (verb == "DROP" ? "drop" : "alter") + " the table '" + object
                     + "', because it does not exist or you do not have permission."};
    } else if (verb == "BULK") {
        error = {"42000", 4834, "You do not have permission to use the bulk load statement."};
    } else {
        error = {"42000", 15151,
                 "Cannot find the object '" + object + "', because it does not exist or you do not have permission."};
    }
    return false;
}

bool isWriteVerb(const std::string &word)
{
    static const char *const verbs[] = {"INSERT", "UPDATE", "DELETE", "MERGE", "TRUNCATE", "CREATE",  "ALTER",
                                        "DROP",   "GRANT",  "REVOKE", "DENY",  "EXEC",     "EXECUTE", "BULK"};
    return std::find(std::begin(verbs), std::end(verbs), word) != std::end(verbs);
}

// Words that SQLite knows and T-SQL does not: SQL Server stops at them.
bool isSqliteOnly(const std::string &word)
{
    static const char *const words[] = {"LIMIT",  "GLOB",    "REGEXP",    "MATCH",   "PRAGMA",
                                        "ATTACH", "DETACH",  "VACUUM",    "REINDEX", "ANALYZE",
                                        "ISNULL", "NOTNULL", "RETURNING", "REPLACE", "RAISE"};
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

// Reads a name of one to four parts at m_raw[i] and emits what SQLite calls
// it: a table by itself, a column with its table or alias.
bool Statement::name(size_t &i, bool tablePosition, ServerError &error)
{
    struct Part
    {
        std::string text; // as SQLite gets it
        std::string plain; // as SQL Server prints it
    };
    std::vector<Part> parts;
    const auto take = [&](const Raw &t) {
        if (t.kind == Raw::Word)
            parts.push_back({t.text, t.text});
        else
            parts.push_back({quoteIdentifier(t.value), t.value});
    };
    take(m_raw[i++]);
    while (i < m_raw.size() && m_raw[i].kind == Raw::Dot) {
        ++i;
        if (i < m_raw.size()
            && (m_raw[i].kind == Raw::Word || m_raw[i].kind == Raw::Bracketed || m_raw[i].kind == Raw::Quoted)) {
            take(m_raw[i++]);
        } else if (i < m_raw.size() && m_raw[i].kind == Raw::Op && m_raw[i].text == "*") {
            parts.push_back({"*", "*"});
            ++i;
            break;
        } else {
            parts.push_back({});
        }
    }
    std::string full;
    for (size_t k = 0; k < parts.size(); ++k)
        full += (k ? "." : "") + parts[k].plain;
    const auto invalidObject = [&] {
        error = {"42S02", 208, "Invalid object name '" + full + "'."};
        return false;
    };
    if (parts.back().plain.empty()) {
        error = syntaxNear(".");
        return false;
    }
    const size_t tableAt = tablePosition ? parts.size() - 1 : (parts.size() >= 2 ? parts.size() - 2 : parts.size());
    if (tableAt < parts.size()) {
        const std::string &table = parts[tableAt].plain;
        if (upper(table).rfind("SQLITE_", 0) == 0 && (tablePosition || parts.size() >= 3))
            return invalidObject();
        if (tableAt >= 1) {
            const std::string &schema = parts[tableAt - 1].plain;
            if (tablePosition || parts.size() >= 3) {
                if (!schema.empty() && !sameName(schema, "dbo"))
                    return invalidObject();
            }
        }
        if (tableAt >= 2) {
            const std::string &database = parts[tableAt - 2].plain;
            const std::string home = databaseOf(table);
            if (!isKnownDatabase(database) || (!home.empty() && !sameName(home, database)))
                return invalidObject();
        }
        if (tableAt >= 3) {
            error = {"42000", 7202,
                     "Could not find server '" + parts[tableAt - 3].plain
                         + "' in sys.servers. Verify that the correct server name was specified."};
            return false;
        }
    }
    std::string text;
    if (tablePosition) {
        text = parts.back().text;
    } else if (parts.size() >= 3) {
        text = parts[parts.size() - 2].text + "." + parts.back().text;
    } else {
        for (size_t k = 0; k < parts.size(); ++k)
            text += (k ? "." : "") + parts[k].text;
    }
    m_out.push_back({Emit::Atom, text, {}});
    return true;
}

bool Statement::convert(ServerError &error)
{
    std::vector<bool> inFrom{false};
    bool expectTable = false;
    bool afterAs = false;
    for (size_t i = 0; i < m_raw.size();) {
        const Raw &t = m_raw[i];
        const bool wasAfterAs = afterAs;
        afterAs = false;
        switch (t.kind) {
        case Raw::Word: {
            const std::string word = upper(t.text);
            if (isWriteVerb(word) || word == "INTO")
                return refuseWrite(i, error);
            if (isSqliteOnly(word) && !(i + 1 < m_raw.size() && m_raw[i + 1].text == "(" && word != "RAISE")) {
                error = syntaxNear(t.text);
                return false;
            }
            if (t.text[0] == '@') {
                error = {"42000", 137, "Must declare the scalar variable \"" + t.text + "\"."};
                return false;
            }
            const bool call = i + 1 < m_raw.size() && m_raw[i + 1].kind == Raw::Op && m_raw[i + 1].text == "(";
            if (word == "NULL") {
                m_out.push_back({Emit::Atom, "NULL", {}});
                ++i;
            } else if (isKeyword(word) && !(call && (word == "LEFT" || word == "RIGHT"))) {
                m_out.push_back({call && word == "EXISTS" ? Emit::Func : Emit::Keyword, t.text, word});
                if (word == "FROM") {
                    inFrom.back() = true;
                    expectTable = true;
                } else if (word == "JOIN" || word == "APPLY") {
                    expectTable = true;
                } else if (word == "SELECT") {
                    inFrom.back() = false;
                } else if (word == "ON" || word == "WHERE" || word == "GROUP" || word == "ORDER" || word == "HAVING"
                           || word == "UNION" || word == "EXCEPT" || word == "INTERSECT") {
                    inFrom.back() = false;
                    expectTable = false;
                } else if (word == "AS") {
                    afterAs = true;
                }
                if (word == "TOP" && m_out.size() >= 2 && m_limit.empty()) {
                    // SELECT [DISTINCT] TOP n at the top: SQLite says LIMIT n at the end.
                    size_t k = i + 1;
                    const bool paren = k < m_raw.size() && m_raw[k].text == "(";
                    if (paren)
                        ++k;
                    if (inFrom.size() == 1 && k < m_raw.size() && m_raw[k].kind == Raw::Number
                        && (!paren || (k + 1 < m_raw.size() && m_raw[k + 1].text == ")"))) {
                        m_limit = m_raw[k].text;
                        m_out.pop_back();
                        i = k + (paren ? 2 : 1);
                        continue;
                    }
                    error = syntaxNear("TOP");
                    return false;
                }
                ++i;
            } else if (call) {
                std::string function = t.text;
                if (word == "ISNULL")
                    function = "ifnull";
                else if (word == "SUBSTRING")
                    function = "substr";
                m_out.push_back({Emit::Func, function, {}});
                ++i;
            } else {
                if (!name(i, expectTable, error))
                    return false;
                expectTable = false;
            }
            break;
        }
        case Raw::Bracketed:
        case Raw::Quoted:
            if (!name(i, expectTable, error))
                return false;
            expectTable = false;
            break;
        case Raw::String:
            if (wasAfterAs) {
                // T-SQL takes a literal after AS as the column's name.
                std::string name;
                for (size_t k = 0; k < t.text.size(); ++k) {
                    name += t.text[k];
                    if (t.text[k] == '\'' && k + 1 < t.text.size() && t.text[k + 1] == '\'')
                        ++k;
                }
                m_out.push_back({Emit::Atom, quoteIdentifier(name), {}});
            } else {
                // The literal as written; the collation makes SQLite compare
                // it as SQL Server does, whatever the other side's collation.
                m_out.push_back({Emit::Atom, "'" + t.text + "' COLLATE NOCASE", {}});
            }
            ++i;
            break;
        case Raw::Number:
        case Raw::Param:
            m_out.push_back({Emit::Atom, t.text, {}});
            ++i;
            break;
        case Raw::Dot:
            error = syntaxNear(".");
            return false;
        case Raw::Op:
            if (t.text == "||") {
                error = syntaxNear("|");
                return false;
            }
            if (t.text == "(") {
                inFrom.push_back(false);
                expectTable = false;
                m_out.push_back({Emit::Open, "(", {}});
            } else if (t.text == ")") {
                if (inFrom.size() == 1) {
                    error = syntaxNear(")");
                    return false;
                }
                inFrom.pop_back();
                m_out.push_back({Emit::Close, ")", {}});
            } else if (t.text == ",") {
                if (inFrom.back())
                    expectTable = true;
                m_out.push_back({Emit::Comma, ",", {}});
            } else if (t.text == "!<" || t.text == "!>") {
                m_out.push_back({Emit::Op, t.text == "!<" ? ">=" : "<=", {}});
            } else if (t.text == "^" || t.text == "!" || t.text == ";") {
                error = syntaxNear(t.text);
                return false;
            } else {
                m_out.push_back({Emit::Op, t.text, {}});
            }
            ++i;
            break;
        case Raw::Other:
            error = syntaxNear(t.text);
            return false;
        }
    }
    if (inFrom.size() != 1) {
        error = syntaxNear(m_raw.back().text);
        return false;
    }
    return true;
}

size_t Statement::closeOf(size_t open, size_t end) const
{
    int depth = 0;
    for (size_t k = open; k < end; ++k) {
        if (m_out[k].role == Emit::Open)
            ++depth;
        else if (m_out[k].role == Emit::Close && --depth == 0)
            return k;
    }
    return end;
}

size_t Statement::endOf(size_t caseAt, size_t end) const
{
    int depth = 0;
    for (size_t k = caseAt; k < end; ++k) {
        if (m_out[k].role != Emit::Keyword)
            continue;
        if (m_out[k].word == "CASE")
            ++depth;
        else if (m_out[k].word == "END" && --depth == 0)
            return k;
    }
    return end;
}

// One operand of '+': everything that binds tighter (unary signs, calls,
// parentheses, CASE ... END, COLLATE, '*', '/', '%').
bool Statement::operand(size_t i, size_t end, size_t &next) const
{
    size_t k = i;
    while (k < end && m_out[k].role == Emit::Op
           && (m_out[k].text == "-" || m_out[k].text == "+" || m_out[k].text == "~"))
        ++k;
    if (k >= end)
        return false;
    const Emit &t = m_out[k];
    if (t.role == Emit::Atom) {
        ++k;
    } else if (t.role == Emit::Func) {
        ++k;
        if (k < end && m_out[k].role == Emit::Open) {
            k = closeOf(k, end);
            if (k >= end)
                return false;
            ++k;
        }
    } else if (t.role == Emit::Open) {
        k = closeOf(k, end);
        if (k >= end)
            return false;
        ++k;
    } else if (t.role == Emit::Keyword && t.word == "CASE") {
        k = endOf(k, end);
        if (k >= end)
            return false;
        ++k;
    } else {
        return false;
    }
    while (k + 1 < end && m_out[k].role == Emit::Keyword && m_out[k].word == "COLLATE")
        k += 2;
    if (k < end && m_out[k].role == Emit::Op
        && (m_out[k].text == "*" || m_out[k].text == "/" || m_out[k].text == "%")) {
        size_t after = 0;
        if (operand(k + 1, end, after))
            k = after;
    }
    next = k;
    return true;
}

std::string Statement::unit(size_t begin, size_t end) const
{
    std::string out;
    const auto add = [&out](const std::string &text) {
        if (!out.empty())
            out += ' ';
        out += text;
    };
    for (size_t k = begin; k < end;) {
        const Emit &t = m_out[k];
        if (t.role == Emit::Open) {
            const size_t close = closeOf(k, end);
            add("(" + fold(k + 1, close) + ")");
            k = close + 1;
        } else if (t.role == Emit::Keyword && t.word == "CASE") {
            const size_t stop = endOf(k, end);
            add(t.text + " " + fold(k + 1, stop) + (stop < end ? " " + m_out[stop].text : std::string()));
            k = stop + 1;
        } else {
            add(t.text);
            ++k;
        }
    }
    return out;
}

std::string Statement::fold(size_t begin, size_t end) const
{
    std::string out;
    const auto add = [&out](const std::string &text) {
        if (!out.empty())
            out += ' ';
        out += text;
    };
    const auto additive = [&](size_t k) {
        return k < end && m_out[k].role == Emit::Op
               && (m_out[k].text == "+" || m_out[k].text == "-" || m_out[k].text == "&" || m_out[k].text == "|");
    };
    for (size_t k = begin; k < end;) {
        size_t after = 0;
        if (operand(k, end, after)) {
            std::string chain = unit(k, after);
            bool joined = false;
            size_t m = after;
            std::vector<std::pair<std::string, std::string>> rest;
            while (additive(m)) {
                size_t next = 0;
                if (!operand(m + 1, end, next))
                    break;
                rest.emplace_back(m_out[m].text, unit(m + 1, next));
                joined = joined || m_out[m].text == "+";
                m = next;
            }
            if (joined) {
                for (const auto &[op, right] : rest)
                    chain = op == "+" ? "tsql_add(" + chain + ", " + right + ")"
                                      : "(" + chain + " " + op + " " + right + ")";
                add(chain);
                k = m;
            } else {
                add(chain);
                k = after;
            }
            continue;
        }
        if (m_out[k].role == Emit::Open || (m_out[k].role == Emit::Keyword && m_out[k].word == "CASE")) {
            const size_t stop = m_out[k].role == Emit::Open ? closeOf(k, end) : endOf(k, end);
            add(unit(k, std::min(stop + 1, end)));
            k = stop + 1;
            continue;
        }
        add(m_out[k].text);
        ++k;
    }
    return out;
}

std::string Statement::sql(std::vector<std::string> &unnamed) const
{
    // The select list of the outermost SELECT, item by item, so that each
    // item's text is known: SQLite names an unaliased expression by it.
    size_t select = m_out.size();
    int depth = 0;
    for (size_t k = 0; k < m_out.size(); ++k) {
        depth += m_out[k].role == Emit::Open ? 1 : m_out[k].role == Emit::Close ? -1 : 0;
        if (depth == 0 && m_out[k].role == Emit::Keyword && m_out[k].word == "SELECT") {
            select = k;
            break;
        }
    }
    if (select == m_out.size())
        return fold(0, m_out.size()) + (m_limit.empty() ? "" : " LIMIT " + m_limit);
    size_t first = select + 1;
    while (first < m_out.size() && m_out[first].role == Emit::Keyword
           && (m_out[first].word == "DISTINCT" || m_out[first].word == "ALL"))
        ++first;
    size_t stop = first;
    depth = 0;
    std::vector<std::pair<size_t, size_t>> items;
    size_t itemStart = first;
    for (; stop < m_out.size(); ++stop) {
        const Emit &t = m_out[stop];
        if (t.role == Emit::Open)
            ++depth;
        else if (t.role == Emit::Close)
            --depth;
        if (depth != 0)
            continue;
        if (t.role == Emit::Keyword
            && (t.word == "FROM" || t.word == "WHERE" || t.word == "GROUP" || t.word == "ORDER" || t.word == "HAVING"
                || t.word == "UNION" || t.word == "EXCEPT" || t.word == "INTERSECT"))
            break;
        if (t.role == Emit::Comma) {
            items.emplace_back(itemStart, stop);
            itemStart = stop + 1;
        }
    }
    items.emplace_back(itemStart, stop);
    std::string out = fold(0, first);
    std::string list;
    for (const auto &[b, e] : items) {
        const std::string item = fold(b, e);
        unnamed.push_back(item);
        list += (list.empty() ? "" : ", ") + item;
    }
    out += " " + list;
    if (stop < m_out.size())
        out += " " + fold(stop, m_out.size());
    if (!m_limit.empty())
        out += " LIMIT " + m_limit;
    return out;
}

} // namespace

std::string databaseOf(const std::string &table)
{
    for (const CatalogEntry &entry : Catalog) {
        if (sameName(entry.table, table))
            return entry.database;
    }
    return {};
}

bool isKnownDatabase(const std::string &name)
{
    return std::any_of(std::begin(Databases), std::end(Databases), [&](const char *db) { return sameName(db, name); });
}

bool translate(const std::string &batch, std::vector<Translated> &out, ServerError &error)
{
    out.clear();
    std::vector<Raw> tokens;
    if (!tokenize(batch, tokens, error))
        return false;

    std::vector<std::vector<Raw>> statements(1);
    int depth = 0;
    for (Raw &t : tokens) {
        if (t.kind == Raw::Op && t.text == "(")
            ++depth;
        else if (t.kind == Raw::Op && t.text == ")")
            --depth;
        if (t.kind == Raw::Op && t.text == ";" && depth == 0)
            statements.emplace_back();
        else
            statements.back().push_back(std::move(t));
    }

    for (const std::vector<Raw> &raw : statements) {
        if (raw.empty())
            continue;
        const std::string first = upper(raw.front().text);
        if (raw.front().kind == Raw::Word
            && (first == "SET" || first == "BEGIN" || first == "COMMIT" || first == "ROLLBACK")) {
            // Session options and transactions change nothing a reader sees.
            out.push_back({Translated::Kind::SessionOption, {}, {}});
            continue;
        }
        if (raw.front().kind == Raw::Word && first == "USE") {
            const std::string database = raw.size() > 1 ? (raw[1].kind == Raw::Word ? raw[1].text : raw[1].value) : "";
            if (raw.size() != 2 || !isKnownDatabase(database)) {
                error = {"08004", 911,
                         "Database '" + database + "' does not exist. Make sure that the name is entered correctly."};
                return false;
            }
            out.push_back({Translated::Kind::SessionOption, {}, {}});
            continue;
        }
        const bool query = (raw.front().kind == Raw::Word && (first == "SELECT" || first == "WITH"))
                           || (raw.front().kind == Raw::Op && raw.front().text == "(");
        Statement statement(raw);
        if (!query) {
            if (raw.front().kind == Raw::Word && isWriteVerb(first)) {
                statement.convert(error);
                return false;
            }
            error = syntaxNear(raw.front().kind == Raw::String ? "'" + raw.front().text + "'" : raw.front().text);
            return false;
        }
        if (!statement.convert(error))
            return false;
        Translated translated;
        translated.sql = statement.sql(translated.unnamed);
        out.push_back(std::move(translated));
    }
    return true;
}

} // namespace standin
