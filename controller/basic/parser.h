// A Pratt parser for Korbasic. A rule table indexed by token type gives each
// token its prefix and infix parselets and its binding precedence.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/diagnostics.h"
#include "controller/basic/lexer.h"

#include <optional>
#include <string_view>

namespace korvan::controller::basic {

// Binding strength of the operators, weakest first.
enum class Precedence
{
    None,
    Or,         // OR XOR
    And,        // AND
    Not,        // NOT
    Comparison, // = <> < <= > >=
    Term,       // + -
    Factor,     // * / MOD
    Unary,      // - +
    Power,      // ^
    Primary,
};

/// Deepest nesting of expressions the parser accepts; deeper text is refused
/// instead of exhausting the stack.
inline constexpr int maxNesting = 200;

class Parser
{
public:
    Parser(std::string_view source, DiagnosticSink sink);

    /// The whole text as a program, or nothing after an error (every error
    /// went to the sink; parsing resumes at the next statement to find more).
    std::optional<Program> parseProgram();

private:
    using PrefixFn = ExprPtr (Parser::*)();
    using InfixFn = ExprPtr (Parser::*)(ExprPtr);
    struct Rule
    {
        PrefixFn prefix;
        InfixFn infix;
        Precedence precedence;
    };
    static const Rule& rule(TokenType type);

    void advance();
    bool check(TokenType type) const { return m_current.type == type; }
    bool match(TokenType type);
    bool expect(TokenType type, std::string_view what);
    void error(std::string_view message, ErrorCode code = ErrorCode::Syntax);
    void skipStatement();
    bool atStatementEnd() const;
    bool startsExpression() const;

    std::optional<Stmt> statement();
    std::optional<Stmt> printStatement();
    std::optional<Stmt> declaration(bool global);
    ExprPtr expression(Precedence precedence = Precedence::Or);

    ExprPtr number();
    ExprPtr string();
    ExprPtr grouping();
    ExprPtr unary();
    ExprPtr name();
    ExprPtr binary(ExprPtr lhs);
    ExprPtr nameFrom(const Token& token);

    Lexer m_lexer;
    DiagnosticSink m_sink;
    Token m_current;
    Token m_previous;
    bool m_failed = false;
    bool m_panic = false;
    int m_depth = 0;
};

} // namespace korvan::controller::basic
