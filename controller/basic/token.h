// Tokens of Korbasic. One X-macro list gives the enum and the names used in
// error messages, so the two cannot drift apart.
#pragma once

#include <string_view>

namespace korvan::controller::basic {

// X(enumerator, spelling shown in messages)
#define KORBASIC_TOKENS(X)                                                                         \
    X(LeftParen, "(")                                                                              \
    X(RightParen, ")")                                                                             \
    X(Comma, ",")                                                                                  \
    X(Semicolon, ";")                                                                              \
    X(Plus, "+")                                                                                   \
    X(Minus, "-")                                                                                  \
    X(Star, "*")                                                                                   \
    X(Slash, "/")                                                                                  \
    X(Caret, "^")                                                                                  \
    X(Equal, "=")                                                                                  \
    X(NotEqual, "<>")                                                                              \
    X(Less, "<")                                                                                   \
    X(LessEqual, "<=")                                                                             \
    X(Greater, ">")                                                                                \
    X(GreaterEqual, ">=")                                                                          \
    X(Question, "?")                                                                               \
    X(And, "AND")                                                                                  \
    X(Or, "OR")                                                                                    \
    X(Xor, "XOR")                                                                                  \
    X(Not, "NOT")                                                                                  \
    X(Mod, "MOD")                                                                                  \
    X(Global, "GLOBAL")                                                                            \
    X(Dim, "DIM")                                                                                  \
    X(Number, "number")                                                                            \
    X(Address, "address")                                                                          \
    X(String, "string")                                                                            \
    X(Name, "name")                                                                                \
    X(Separator, "end of statement")                                                               \
    X(Error, "invalid character")                                                                  \
    X(End, "end of text")

enum class TokenType
{
#define KORBASIC_TOKEN_ENUM(name, spelling) name,
    KORBASIC_TOKENS(KORBASIC_TOKEN_ENUM)
#undef KORBASIC_TOKEN_ENUM
        Count
};

/// The spelling of a token type for messages.
std::string_view tokenSpelling(TokenType type);

// Keywords are the token types spelled with letters; names match them
// without regard to case.
struct Keyword
{
    std::string_view spelling;
    TokenType type;
};

inline constexpr Keyword keywords[] = {
    {"AND", TokenType::And}, {"OR", TokenType::Or},   {"XOR", TokenType::Xor},
    {"NOT", TokenType::Not}, {"MOD", TokenType::Mod}, {"GLOBAL", TokenType::Global},
    {"DIM", TokenType::Dim},
};

struct Token
{
    TokenType type = TokenType::End;
    /// Points into the source text.
    std::string_view text;
    /// The 1-based line where the token appears.
    int line = 1;
    /// The value of a Number token, or the packed address of an Address token.
    double number = 0.0;
};

} // namespace korvan::controller::basic
