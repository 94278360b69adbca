#include "ImapReply.h"

#include "Text.h"

namespace {

// Deeper lists than this are read as atoms; no reply of ours nests so far.
constexpr int kMaxDepth = 32;
constexpr long long kLargestLiteral = 1LL << 40;

enum class Stop { LineEnd, ListEnd, Incomplete };
enum class Token { Read, LineEnded, Incomplete };

bool IsAtomEnd(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '\r' || c == '\n' || c == '"';
}

// "{n}CRLF", "{n+}CRLF" or "~{n}CRLF" at pos: the literal's length, pos moved
// past the CRLF; -1 when it is no literal, -2 when the data ends inside it.
long long ReadLiteralMarker(std::string_view d, std::size_t& pos) {
    std::size_t q = pos + (d[pos] == '~' ? 1 : 0);
    if (q >= d.size()) {
        return -2;
    }
    if (d[q] != '{') {
        return -1;
    }
    const std::size_t digits = ++q;
    long long length = 0;
    for (; q < d.size() && d[q] >= '0' && d[q] <= '9' && length < kLargestLiteral; ++q) {
        length = length * 10 + (d[q] - '0');
    }
    if (q < d.size() && d[q] == '+') {
        ++q;
    }
    constexpr std::string_view close = "}\r\n";
    const std::string_view rest = d.substr(q, close.size());
    if (q == digits || close.substr(0, rest.size()) != rest) {
        return -1;
    }
    if (rest.size() < close.size()) {
        return -2;
    }
    pos = q + close.size();
    return length;
}

Stop ReadItems(std::string_view d, std::size_t& p, std::vector<ImapNode>& items, int depth);

// An unterminated string ends at its line.
Token ReadQuoted(std::string_view d, std::size_t& p, std::vector<ImapNode>& items) {
    ImapNode node{ImapNode::Kind::String, {}, {}};
    for (std::size_t q = p + 1; q < d.size(); ++q) {
        if (d[q] == '\\' && q + 1 < d.size()) {
            node.text += d[++q];
        } else if (d[q] == '"' || d[q] == '\r' || d[q] == '\n') {
            p = q + (d[q] == '"' ? 1 : 0);
            items.push_back(std::move(node));
            return Token::Read;
        } else {
            node.text += d[q];
        }
    }
    return Token::Incomplete;
}

// Brackets keep "BODY[HEADER.FIELDS (FROM)]" and "[UIDNEXT 5]" whole.
Token ReadAtom(std::string_view d, std::size_t& p, std::vector<ImapNode>& items) {
    std::size_t q = p;
    int brackets = 0;
    while (q < d.size() && (brackets > 0 ? d[q] != '\r' && d[q] != '\n' : !IsAtomEnd(d[q]))) {
        if (d[q] == '[') {
            ++brackets;
        } else if (d[q] == ']' && brackets > 0) {
            --brackets;
        }
        ++q;
    }
    if (q == d.size()) {
        return Token::Incomplete;
    }
    items.push_back({ImapNode::Kind::Atom, std::string(d.substr(p, q - p)), {}});
    p = q;
    return Token::Read;
}

Token ReadList(std::string_view d, std::size_t& p, std::vector<ImapNode>& items, int depth) {
    ++p;
    ImapNode list{ImapNode::Kind::List, {}, {}};
    const Stop stop = ReadItems(d, p, list.items, depth + 1);
    items.push_back(std::move(list));
    if (stop == Stop::Incomplete) {
        return Token::Incomplete;
    }
    return stop == Stop::ListEnd ? Token::Read : Token::LineEnded;
}

Token ReadToken(std::string_view d, std::size_t& p, std::vector<ImapNode>& items, int depth) {
    if (d[p] == '(' && depth < kMaxDepth) {
        return ReadList(d, p, items, depth);
    }
    if (d[p] == '"') {
        return ReadQuoted(d, p, items);
    }
    if (d[p] == '{' || d[p] == '~') {
        std::size_t q = p;
        const long long length = ReadLiteralMarker(d, q);
        if (length == -2 || (length >= 0 && q + static_cast<std::size_t>(length) > d.size())) {
            return Token::Incomplete;
        }
        if (length >= 0) {
            items.push_back({ImapNode::Kind::String,
                             std::string(d.substr(q, static_cast<std::size_t>(length))),
                             {}});
            p = q + static_cast<std::size_t>(length);
            return Token::Read;
        }
    }
    return ReadAtom(d, p, items);
}

Stop ReadItems(std::string_view d, std::size_t& p, std::vector<ImapNode>& items, int depth) {
    while (p < d.size()) {
        const char c = d[p];
        if (c == ' ') {
            ++p;
        } else if (c == '\r' && p + 1 == d.size()) {
            return Stop::Incomplete;
        } else if (c == '\r' && d[p + 1] != '\n') {
            ++p; // a bare CR ends no line
        } else if (c == '\r' || c == '\n') {
            p += c == '\r' ? 2 : 1;
            return Stop::LineEnd;
        } else if (c == ')') {
            ++p;
            if (depth > 0) {
                return Stop::ListEnd;
            }
        } else {
            const Token token = ReadToken(d, p, items, depth);
            if (token == Token::Incomplete) {
                return Stop::Incomplete;
            }
            if (token == Token::LineEnded) {
                return Stop::LineEnd;
            }
        }
    }
    return Stop::Incomplete;
}

} // namespace

bool ReadImapReply(std::string_view data, std::size_t& pos, std::vector<ImapNode>& reply) {
    std::size_t p = pos;
    std::vector<ImapNode> items;
    if (ReadItems(data, p, items, 0) == Stop::Incomplete) {
        return false;
    }
    pos = p;
    reply = std::move(items);
    return true;
}

bool IsAtom(const ImapNode& node, std::string_view word) {
    return node.kind == ImapNode::Kind::Atom && node.text.size() == word.size() &&
           StartsWithNoCase(node.text, word);
}
