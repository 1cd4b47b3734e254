#include "controller/basic/lexer.h"

#include "controller/basic/names.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace korvan::controller::basic {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string_view tokenSpelling(TokenType type)
{
    static constexpr std::string_view spellings[] = {
#define KORBASIC_TOKEN_SPELLING(name, spelling) spelling,
        KORBASIC_TOKENS(KORBASIC_TOKEN_SPELLING)
#undef KORBASIC_TOKEN_SPELLING
    };
    const auto index = static_cast<std::size_t>(type);
    return index < std::size(spellings) ? spellings[index] : std::string_view("?");
}

bool isNameChar(char c)
{
    return isLetter(c) || isDigit(c);
}

Lexer::Lexer(std::string_view source) : m_source(source) {}

char Lexer::peek(std::size_t ahead) const
{
    const std::size_t at = m_pos + ahead;
    return at < m_source.size() ? m_source[at] : '\0';
}

Token Lexer::make(TokenType type, std::size_t start) const
{
    Token token;
    token.type = type;
    token.text = m_source.substr(start, m_pos - start);
    token.line = m_line;
    return token;
}

Token Lexer::next()
{
    for (;;) {
        if (m_pos >= m_source.size())
            return make(TokenType::End, m_pos);
        const char c = m_source[m_pos];
        if (c == ' ' || c == '\t') {
            ++m_pos;
            continue;
        }
        if (c == '\'') {
            while (m_pos < m_source.size() && m_source[m_pos] != '\n' && m_source[m_pos] != '\r')
                ++m_pos;
            continue;
        }
        break;
    }

    const std::size_t start = m_pos;
    const char c = m_source[m_pos++];
    switch (c) {
    case '\r': {
        // "\r\n" is one line end.
        Token token = make(TokenType::Separator, start);
        if (peek() == '\n')
            ++m_pos;
        ++m_line;
        return token;
    }
    case '\n': {
        Token token = make(TokenType::Separator, start);
        ++m_line;
        return token;
    }
    case ':':
        return make(TokenType::Separator, start);
    case '(':
        return make(TokenType::LeftParen, start);
    case ')':
        return make(TokenType::RightParen, start);
    case ',':
        return make(TokenType::Comma, start);
    case ';':
        return make(TokenType::Semicolon, start);
    case '+':
        return make(TokenType::Plus, start);
    case '-':
        return make(TokenType::Minus, start);
    case '*':
        return make(TokenType::Star, start);
    case '/':
        return make(TokenType::Slash, start);
    case '^':
        return make(TokenType::Caret, start);
    case '=':
        return make(TokenType::Equal, start);
    case '?':
        return make(TokenType::Question, start);
    case '<':
        if (peek() == '=') {
            ++m_pos;
            return make(TokenType::LessEqual, start);
        }
        if (peek() == '>') {
            ++m_pos;
            return make(TokenType::NotEqual, start);
        }
        return make(TokenType::Less, start);
    case '>':
        if (peek() == '=') {
            ++m_pos;
            return make(TokenType::GreaterEqual, start);
        }
        return make(TokenType::Greater, start);
    case '"':
        return string(start);
    case '$':
        return hexNumber(start);
    default:
        break;
    }
    if (isDigit(c) || (c == '.' && isDigit(peek())))
        return number(start);
    if (isLetter(c))
        return name(start);
    return make(TokenType::Error, start);
}

Token Lexer::number(std::size_t start)
{
    m_pos = start;
    while (isDigit(peek()))
        ++m_pos;
    int dots = 0;
    // A dotted quad such as 192.168.0.11 is an address literal.
    while (peek() == '.' && isDigit(peek(1)) && dots < 3) {
        ++m_pos;
        ++dots;
        while (isDigit(peek()))
            ++m_pos;
    }
    if (dots == 3) {
        Token token = make(TokenType::Address, start);
        uint32_t packed = 0;
        int shift = 0;
        std::string_view rest = token.text;
        bool valid = true;
        while (!rest.empty()) {
            const auto dot = rest.find('.');
            const std::string_view part = rest.substr(0, dot);
            unsigned octet = 0;
            const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), octet);
            if (ec != std::errc() || end != part.data() + part.size() || octet > 255)
                valid = false;
            packed |= (octet & 0xffu) << shift;
            shift += 8;
            rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
        }
        if (!valid)
            token.type = TokenType::Error;
        // The first octet sits in the lowest byte, as the controller reports it.
        token.number = static_cast<double>(static_cast<int32_t>(packed));
        return token;
    }
    if (dots > 1)
        return make(TokenType::Error, start);
    if (dots == 0 && peek() == '.') {
        ++m_pos; // "5." is five
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
        m_pos += 2;
        while (isDigit(peek()))
            ++m_pos;
    }
    Token token = make(TokenType::Number, start);
    const std::string copy(token.text);
    token.number = std::strtod(copy.c_str(), nullptr);
    return token;
}

Token Lexer::hexNumber(std::size_t start)
{
    double value = 0;
    bool any = false;
    while (hexValue(peek()) >= 0) {
        value = value * 16 + hexValue(peek());
        ++m_pos;
        any = true;
    }
    Token token = make(any ? TokenType::Number : TokenType::Error, start);
    token.number = value;
    return token;
}

Token Lexer::name(std::size_t start)
{
    while (isNameChar(peek()))
        ++m_pos;
    Token token = make(TokenType::Name, start);
    for (const Keyword& keyword : keywords) {
        if (namesEqual(token.text, keyword.spelling)) {
            token.type = keyword.type;
            break;
        }
    }
    return token;
}

Token Lexer::string(std::size_t start)
{
    while (m_pos < m_source.size() && m_source[m_pos] != '"' && m_source[m_pos] != '\n' &&
           m_source[m_pos] != '\r')
        ++m_pos;
    if (peek() != '"')
        return make(TokenType::Error, start);
    ++m_pos;
    Token token = make(TokenType::String, start);
    token.text = token.text.substr(1, token.text.size() - 2);
    return token;
}

} // namespace korvan::controller::basic
