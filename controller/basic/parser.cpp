#include "controller/basic/parser.h"

#include "controller/basic/names.h"

#include <algorithm>
#include <array>
#include <string>

namespace korvan::controller::basic {

Parser::Parser(std::string_view source, DiagnosticSink sink)
    : m_lexer(source), m_sink(std::move(sink))
{
    advance();
}

const Parser::Rule& Parser::rule(TokenType type)
{
    using P = Precedence;
    static const auto table = [] {
        std::array<Rule, static_cast<std::size_t>(TokenType::Count)> rules{};
        for (Rule& r : rules)
            r = {nullptr, nullptr, P::None};
        auto set = [&](TokenType t, PrefixFn prefix, InfixFn infix, P precedence) {
            rules[static_cast<std::size_t>(t)] = {prefix, infix, precedence};
        };
        set(TokenType::LeftParen, &Parser::grouping, nullptr, P::None);
        set(TokenType::Number, &Parser::number, nullptr, P::None);
        set(TokenType::Address, &Parser::number, nullptr, P::None);
        set(TokenType::String, &Parser::string, nullptr, P::None);
        set(TokenType::Name, &Parser::name, nullptr, P::None);
        set(TokenType::Minus, &Parser::unary, &Parser::binary, P::Term);
        set(TokenType::Plus, &Parser::unary, &Parser::binary, P::Term);
        set(TokenType::Not, &Parser::unary, nullptr, P::None);
        set(TokenType::Star, nullptr, &Parser::binary, P::Factor);
        set(TokenType::Slash, nullptr, &Parser::binary, P::Factor);
        set(TokenType::Mod, nullptr, &Parser::binary, P::Factor);
        set(TokenType::Caret, nullptr, &Parser::binary, P::Power);
        for (TokenType t : {TokenType::Equal, TokenType::NotEqual, TokenType::Less,
                            TokenType::LessEqual, TokenType::Greater, TokenType::GreaterEqual})
            set(t, nullptr, &Parser::binary, P::Comparison);
        set(TokenType::And, nullptr, &Parser::binary, P::And);
        set(TokenType::Or, nullptr, &Parser::binary, P::Or);
        set(TokenType::Xor, nullptr, &Parser::binary, P::Or);
        return rules;
    }();
    return table[static_cast<std::size_t>(type)];
}

void Parser::advance()
{
    m_previous = m_current;
    m_current = m_lexer.next();
}

bool Parser::match(TokenType type)
{
    if (!check(type))
        return false;
    advance();
    return true;
}

bool Parser::expect(TokenType type, std::string_view what)
{
    if (match(type))
        return true;
    error(std::string("expected ") + std::string(what));
    return false;
}

void Parser::error(std::string_view message, ErrorCode code)
{
    m_failed = true;
    if (m_panic)
        return;
    m_panic = true;
    Diagnostic d;
    d.kind = ErrorKind::Syntax;
    d.line = m_current.line;
    d.code = static_cast<int32_t>(code);
    d.message = std::string(message);
    if (m_current.type == TokenType::End || m_current.type == TokenType::Separator)
        d.message += " at " + std::string(tokenSpelling(m_current.type));
    else
        d.message += " at '" + std::string(m_current.text.substr(0, 32)) + "'";
    if (m_sink)
        m_sink(d);
}

bool Parser::atStatementEnd() const
{
    return check(TokenType::Separator) || check(TokenType::End);
}

bool Parser::startsExpression() const
{
    return rule(m_current.type).prefix != nullptr;
}

void Parser::skipStatement()
{
    while (!atStatementEnd())
        advance();
}

std::optional<Program> Parser::parseProgram()
{
    Program program;
    while (!check(TokenType::End)) {
        if (match(TokenType::Separator))
            continue;
        m_panic = false;
        m_depth = 0;
        std::optional<Stmt> stmt = statement();
        if (stmt && !atStatementEnd())
            error("expected end of statement");
        if (m_panic) {
            skipStatement();
            continue;
        }
        if (stmt)
            program.statements.push_back(std::move(*stmt));
    }
    if (m_failed)
        return std::nullopt;
    return program;
}

std::optional<Stmt> Parser::statement()
{
    if (match(TokenType::Question))
        return printStatement();
    if (match(TokenType::Global))
        return declaration(true);
    if (match(TokenType::Dim))
        return declaration(false);
    if (!check(TokenType::Name)) {
        error("expected a statement");
        return std::nullopt;
    }
    Stmt stmt;
    stmt.line = m_current.line;
    advance();
    stmt.target = nameFrom(m_previous);
    if (m_panic)
        return std::nullopt;
    if (match(TokenType::Equal)) {
        stmt.kind = StmtKind::Assign;
        stmt.value = expression();
    } else {
        stmt.kind = StmtKind::Call;
    }
    if (m_panic)
        return std::nullopt;
    return stmt;
}

std::optional<Stmt> Parser::printStatement()
{
    Stmt stmt;
    stmt.kind = StmtKind::Print;
    stmt.line = m_previous.line;
    while (!atStatementEnd()) {
        PrintItem item;
        if (match(TokenType::Star)) {
            if (!check(TokenType::Name)) {
                error("expected a name after '?*'");
                return std::nullopt;
            }
            item.block = true;
            advance();
            item.expr = nameFrom(m_previous);
        } else if (startsExpression()) {
            item.expr = expression();
        } else {
            error("expected a value to print");
            return std::nullopt;
        }
        if (m_panic)
            return std::nullopt;
        stmt.items.push_back(std::move(item));
        stmt.lineEnd = true;
        // Items may be separated by blanks, ',' or ';'; a trailing ';' keeps
        // the line open, a trailing ',' is accepted.
        if (match(TokenType::Semicolon))
            stmt.lineEnd = false;
        else
            match(TokenType::Comma);
    }
    return stmt;
}

std::optional<Stmt> Parser::declaration(bool global)
{
    Stmt stmt;
    stmt.kind = StmtKind::Declare;
    stmt.global = global;
    stmt.line = m_previous.line;
    do {
        if (!check(TokenType::Name)) {
            error("expected a name to declare");
            return std::nullopt;
        }
        Declaration d;
        d.name = upperName(m_current.text);
        d.line = m_current.line;
        advance();
        if (match(TokenType::LeftParen)) {
            d.size = expression();
            if (!expect(TokenType::RightParen, "')'"))
                return std::nullopt;
        }
        stmt.declarations.push_back(std::move(d));
    } while (match(TokenType::Comma));
    if (m_panic)
        return std::nullopt;
    return stmt;
}

ExprPtr Parser::expression(Precedence precedence)
{
    if (++m_depth > maxNesting) {
        error("expression nested too deeply", ErrorCode::TooDeep);
        --m_depth;
        return std::make_unique<Expr>();
    }
    const PrefixFn prefix = rule(m_current.type).prefix;
    if (!prefix) {
        error("expected an expression");
        --m_depth;
        return std::make_unique<Expr>();
    }
    advance();
    ExprPtr lhs = (this->*prefix)();
    while (!m_panic && precedence <= rule(m_current.type).precedence &&
           rule(m_current.type).infix) {
        const InfixFn infix = rule(m_current.type).infix;
        advance();
        lhs = (this->*infix)(std::move(lhs));
    }
    --m_depth;
    return lhs;
}

ExprPtr Parser::number()
{
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Number;
    e->line = m_previous.line;
    e->number = m_previous.number;
    return e;
}

ExprPtr Parser::string()
{
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::String;
    e->line = m_previous.line;
    e->text = std::string(m_previous.text);
    return e;
}

ExprPtr Parser::grouping()
{
    ExprPtr inner = expression();
    expect(TokenType::RightParen, "')'");
    return inner;
}

ExprPtr Parser::unary()
{
    const Token op = m_previous;
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Unary;
    e->line = op.line;
    e->op = op.type;
    e->rhs = expression(op.type == TokenType::Not ? Precedence::Not : Precedence::Unary);
    e->depth = e->rhs->depth + 1;
    return e;
}

ExprPtr Parser::binary(ExprPtr lhs)
{
    const Token op = m_previous;
    const Precedence p = rule(op.type).precedence;
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Binary;
    e->line = op.line;
    e->op = op.type;
    e->lhs = std::move(lhs);
    // '^' binds to the right, every other operator to the left.
    const auto next =
        op.type == TokenType::Caret ? p : static_cast<Precedence>(static_cast<int>(p) + 1);
    e->rhs = expression(next);
    e->depth = std::max(e->lhs->depth, e->rhs->depth) + 1;
    if (e->depth > maxNesting) {
        error("expression nested too deeply", ErrorCode::TooDeep);
        // Flatten what was built so that nothing deep survives.
        return std::make_unique<Expr>();
    }
    return e;
}

ExprPtr Parser::name()
{
    return nameFrom(m_previous);
}

ExprPtr Parser::nameFrom(const Token& token)
{
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Name;
    e->line = token.line;
    e->text = upperName(token.text);
    if (match(TokenType::LeftParen)) {
        e->hasArgs = true;
        if (!check(TokenType::RightParen)) {
            do {
                e->args.push_back(expression());
                e->depth = std::max(e->depth, e->args.back()->depth + 1);
                if (m_panic)
                    return e;
            } while (match(TokenType::Comma));
        }
        if (!expect(TokenType::RightParen, "')'"))
            return e;
    }
    // "AXIS(n)" after a name selects the axis for that name only.
    if (check(TokenType::Name) && namesEqual(m_current.text, "AXIS") && e->text != "AXIS") {
        advance();
        if (!expect(TokenType::LeftParen, "'(' after AXIS"))
            return e;
        e->axis = expression();
        e->depth = std::max(e->depth, e->axis->depth + 1);
        expect(TokenType::RightParen, "')'");
    }
    return e;
}

} // namespace korvan::controller::basic
