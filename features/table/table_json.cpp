// Reads a table written as JSON Lines: one flat object of texts per line.
#include "features/table/table_text.h"

#include "tags/core/utf8_text.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

// Reads the members of one JSON object from a line. Only what a table row holds is taken:
// texts, numbers, arrays of texts, null.
class JsonLine {
public:
    explicit JsonLine(const std::string& text) : m_text(text) {}

    bool members(std::vector<std::pair<std::string, std::string>>& out)
    {
        if (!take('{'))
            return false;
        if (take('}'))
            return end();
        do {
            std::string key, value;
            if (!string(key) || !take(':') || !anyValue(value))
                return false;
            out.emplace_back(std::move(key), std::move(value));
        } while (take(','));
        return take('}') && end();
    }

private:
    void skipSpace()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }
    bool take(char c)
    {
        skipSpace();
        if (m_at >= m_text.size() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }
    bool end()
    {
        skipSpace();
        return m_at == m_text.size();
    }
    bool hex4(uint32_t& code)
    {
        if (m_at + 4 > m_text.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
            code = code * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
        }
        return true;
    }
    bool escape(std::string& out)
    {
        const char c = m_text[m_at++];
        const std::string kPlain = "\"\\/bfnrt", kMeant = "\"\\/\b\f\n\r\t";
        if (kPlain.find(c) != std::string::npos) {
            out += kMeant[kPlain.find(c)];
            return true;
        }
        uint32_t code = 0, low = 0;
        if (c != 'u' || !hex4(code))
            return false;
        // A surrogate pair's halves make one character.
        if (code >= 0xD800 && code < 0xDC00) {
            if (m_text.compare(m_at, 2, "\\u") != 0 || (m_at += 2, !hex4(low)) || low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
        }
        appendUtf8(out, code);
        return true;
    }
    bool string(std::string& out)
    {
        if (!take('"'))
            return false;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && (m_at >= m_text.size() || !escape(out))))
                return false;
            if (c != '\\')
                out += c;
        }
        return false;
    }
    bool array(std::string& out)
    {
        if (take(']'))
            return true;
        do {
            std::string item;
            if (!string(item))
                return false;
            out += (out.empty() ? "" : "; ") + item;
        } while (take(','));
        return take(']');
    }
    bool anyValue(std::string& out)
    {
        skipSpace();
        if (m_at < m_text.size() && m_text[m_at] == '"')
            return string(out);
        if (take('['))
            return array(out);
        if (m_text.compare(m_at, 4, "null") == 0) {
            m_at += 4;
            return true;
        }
        const std::size_t from = m_at;
        while (m_at < m_text.size() && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) ||
                                        std::string("+-.eE").find(m_text[m_at]) != std::string::npos))
            ++m_at;
        out = m_text.substr(from, m_at - from);
        return !out.empty();
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

// A path written one character per byte, as a file name that is not UTF-8 is, back to its bytes.
void pathBytes(std::string& path)
{
    std::string bytes;
    std::ignore = latin1FromUtf8(path, bytes);
    path = bytes;
}

std::optional<std::string> addJsonRow(TextTable& table, std::vector<std::pair<std::string, std::string>> members,
                                      std::size_t line)
{
    const auto encoding = std::find_if(members.begin(), members.end(),
                                       [](const auto& m) { return m.first == "file_encoding"; });
    const bool bytes = encoding != members.end() && encoding->second == "bytes";
    if (encoding != members.end())
        members.erase(encoding);
    std::vector<std::optional<std::string>> row(table.header.size());
    for (auto& [key, value] : members) {
        const auto column = std::find(table.header.begin(), table.header.end(), key);
        const std::size_t index = static_cast<std::size_t>(column - table.header.begin());
        if (column == table.header.end()) {
            table.header.push_back(key);
            row.emplace_back();
            for (auto& earlier : table.rows)
                earlier.emplace_back();
        } else if (row[index]) {
            return "line " + std::to_string(line) + " names '" + key + "' twice";
        }
        if (key == "file" && bytes)
            pathBytes(value);
        row[index] = std::move(value);
    }
    table.rows.push_back(std::move(row));
    table.lines.push_back(line);
    return std::nullopt;
}

} // namespace

std::optional<std::string> readJsonLines(const std::string& text, TextTable& table)
{
    std::size_t line = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string content = text.substr(at, end - at);
        at = end + 1;
        ++line;
        if (content.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::vector<std::pair<std::string, std::string>> members;
        if (!JsonLine(content).members(members))
            return "line " + std::to_string(line) + " is not a JSON object of texts";
        if (std::optional<std::string> problem = addJsonRow(table, std::move(members), line))
            return problem;
    }
    return std::nullopt;
}
