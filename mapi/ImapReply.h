#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One token of an IMAP server reply.
struct ImapNode {
    enum class Kind { Atom, String, List };
    Kind kind = Kind::Atom;
    std::string text; // an atom ("BODY[HEADER.FIELDS (FROM)]" kept whole) or a string's bytes
    std::vector<ImapNode> items; // a list's members
};

// Reads one reply from `data` at `pos`: its tokens up to the CRLF that ends it
// (a literal's bytes never end it; the line end closes every open list). False
// when the data ends first; `pos` is then left unchanged.
bool ReadImapReply(std::string_view data, std::size_t& pos, std::vector<ImapNode>& reply);

// Whether a token is the atom `word`, ASCII letters in either case.
bool IsAtom(const ImapNode& node, std::string_view word);
