// Splits Korbasic text into tokens. Statements end at "\r\n", "\n", "\r" or
// ':'; "'" starts a comment that runs to the end of the line.
#pragma once

#include "controller/basic/token.h"

#include <string_view>

namespace korvan::controller::basic {

class Lexer
{
public:
    explicit Lexer(std::string_view source);

    /// The next token; End for ever once the text is used up.
    Token next();

private:
    Token make(TokenType type, std::size_t start) const;
    Token number(std::size_t start);
    Token hexNumber(std::size_t start);
    Token name(std::size_t start);
    Token string(std::size_t start);
    char peek(std::size_t ahead = 0) const;

    std::string_view m_source;
    std::size_t m_pos = 0;
    int m_line = 1;
};

/// True for the characters a name may hold after its first one.
bool isNameChar(char c);

} // namespace korvan::controller::basic
