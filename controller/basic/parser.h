// A Pratt parser for Korbasic. A rule table indexed by token type gives each
// token its prefix and infix parselets and its binding precedence.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/diagnostics.h"
#include "controller/basic/lexer.h"

#include <functional>
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

/// True for a word that starts or shapes a statement (IF, FOR, TO, ...) and
/// so cannot name a variable.
bool isStatementWord(std::string_view upperName);

/// True for an upper-case name the host gives a meaning of its own (a
/// command, a parameter, ...).
using ReservedNames = std::function<bool(std::string_view upperName)>;

class Parser
{
public:
    /// reserved: the host's own names; with the language's keywords and
    /// built-ins they are never labels, and a GOTO, GOSUB or SUB naming one
    /// is an error (2010).
    Parser(std::string_view source, DiagnosticSink sink, ReservedNames reserved = {});

    /// The whole text as a linked program (see linker.h), or nothing after
    /// an error (every error went to the sink; parsing resumes at the next
    /// statement to find more).
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

    // A word that starts or shapes a statement; parse is null for the words
    // that only shape one (THEN, TO, STEP).
    using StatementFn = std::optional<Stmt> (Parser::*)();
    struct StatementWord
    {
        std::string_view word;
        StatementFn parse;
    };
    static const StatementWord* findStatementWord(std::string_view upper);
    friend bool isStatementWord(std::string_view upperName);

    bool checkWord(std::string_view word) const;
    /// A keyword, a built-in or one of the host's names.
    bool reservedName(std::string_view upper) const;
    /// Refuses the current name as a label or SUB name when it is reserved.
    bool refuseReservedName(std::string_view what);
    bool matchWord(std::string_view word);
    void closeOneLineIfs(Program& program);

    std::optional<Stmt> statement();
    std::optional<Stmt> callOrAssignment();
    std::optional<Stmt> printStatement();
    std::optional<Stmt> declaration(Scope scope);
    std::optional<Stmt> ifStatement();
    std::optional<Stmt> elseIfStatement();
    std::optional<Stmt> elseStatement();
    std::optional<Stmt> endStatement();
    std::optional<Stmt> forStatement();
    std::optional<Stmt> nextStatement();
    std::optional<Stmt> conditionStatement(StmtKind kind);
    /// A statement of that kind on the line of the word just read.
    Stmt startStatement(StmtKind kind) const;
    std::optional<Stmt> bareStatement(StmtKind kind);
    std::optional<Stmt> jumpStatement(StmtKind kind);
    std::optional<Stmt> endIfStatement() { return bareStatement(StmtKind::EndIf); }
    std::optional<Stmt> endSubStatement() { return bareStatement(StmtKind::EndSub); }
    std::optional<Stmt> whileStatement() { return conditionStatement(StmtKind::While); }
    std::optional<Stmt> wendStatement() { return bareStatement(StmtKind::Wend); }
    std::optional<Stmt> repeatStatement() { return bareStatement(StmtKind::Repeat); }
    std::optional<Stmt> untilStatement() { return conditionStatement(StmtKind::Until); }
    std::optional<Stmt> gotoStatement() { return jumpStatement(StmtKind::Goto); }
    std::optional<Stmt> gosubStatement() { return jumpStatement(StmtKind::Gosub); }
    std::optional<Stmt> returnStatement() { return bareStatement(StmtKind::Return); }
    std::optional<Stmt> subStatement();
    std::optional<Stmt> waitStatement();
    std::optional<Stmt> delayStatement();
    std::optional<Stmt> localStatement();
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
    ReservedNames m_reserved;
    Token m_current;
    Token m_previous;
    bool m_failed = false;
    /// True before the first statement of a physical line (labels).
    bool m_lineStart = true;
    /// One-line IFs ("IF a THEN b") still open on this line.
    int m_oneLineIfs = 0;
    /// The statement just parsed may be followed by another without ':'.
    bool m_continueLine = false;
    bool m_panic = false;
    int m_depth = 0;
};

} // namespace korvan::controller::basic
