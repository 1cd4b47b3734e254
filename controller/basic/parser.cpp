#include "controller/basic/parser.h"

#include "controller/basic/builtins.h"
#include "controller/basic/linker.h"
#include "controller/basic/names.h"

#include <algorithm>
#include <array>
#include <string>

namespace korvan::controller::basic {

namespace {

// Commands whose arguments may follow without parentheses: RUN "MAIN", 2.
constexpr std::string_view bareArgumentCommands[] = {"RUN", "STOP", "STOPTASK", "PAUSETASK",
                                                     "RESUMETASK"};

bool takesBareArguments(std::string_view upper)
{
    return std::find(std::begin(bareArgumentCommands), std::end(bareArgumentCommands), upper) !=
           std::end(bareArgumentCommands);
}

} // namespace

Parser::Parser(std::string_view source, DiagnosticSink sink, ReservedNames reserved)
    : m_lexer(source), m_sink(std::move(sink)), m_reserved(std::move(reserved))
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

bool isStatementWord(std::string_view upperName)
{
    return Parser::findStatementWord(upperName) != nullptr;
}

bool Parser::checkWord(std::string_view word) const
{
    return check(TokenType::Name) && namesEqual(m_current.text, word);
}

bool Parser::reservedName(std::string_view upper) const
{
    return isStatementWord(upper) || findBuiltin(upper) || (m_reserved && m_reserved(upper));
}

bool Parser::refuseReservedName(std::string_view what)
{
    if (!check(TokenType::Name) || !reservedName(upperName(m_current.text)))
        return false;
    error(std::string("a command or keyword cannot be ") + std::string(what), ErrorCode::Reserved);
    return true;
}

bool Parser::matchWord(std::string_view word)
{
    if (!checkWord(word))
        return false;
    advance();
    return true;
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

void Parser::closeOneLineIfs(Program& program)
{
    for (; m_oneLineIfs > 0; --m_oneLineIfs) {
        Stmt end;
        end.kind = StmtKind::EndIf;
        end.line = m_previous.line;
        program.statements.push_back(std::move(end));
    }
}

std::optional<Program> Parser::parseProgram()
{
    Program program;
    while (!check(TokenType::End)) {
        if (match(TokenType::Separator)) {
            if (m_previous.text != ":") {
                closeOneLineIfs(program);
                m_lineStart = true;
            }
            continue;
        }
        m_panic = false;
        m_depth = 0;
        m_continueLine = false;
        std::optional<Stmt> stmt = statement();
        m_lineStart = false;
        const bool elseFollows = m_oneLineIfs > 0 && checkWord("ELSE");
        if (stmt && !m_continueLine && !atStatementEnd() && !elseFollows)
            error("expected end of statement");
        if (m_panic) {
            skipStatement();
            continue;
        }
        if (stmt)
            program.statements.push_back(std::move(*stmt));
    }
    closeOneLineIfs(program);
    if (m_failed)
        return std::nullopt;
    if (!linkProgram(program, m_sink))
        return std::nullopt;
    return program;
}

std::optional<Stmt> Parser::statement()
{
    if (match(TokenType::Question))
        return printStatement();
    if (match(TokenType::Global))
        return declaration(Scope::Global);
    if (match(TokenType::Dim))
        return declaration(Scope::Task);
    if (!check(TokenType::Name)) {
        error("expected a statement");
        return std::nullopt;
    }
    if (const StatementWord* word = findStatementWord(upperName(m_current.text));
        word && word->parse) {
        advance();
        return (this->*word->parse)();
    }
    return callOrAssignment();
}

std::optional<Stmt> Parser::callOrAssignment()
{
    Stmt stmt;
    stmt.line = m_current.line;
    const bool lineStart = m_lineStart;
    advance();
    // "TRIGGER:?5" runs TRIGGER: a command or keyword is never a label.
    if (lineStart && check(TokenType::Separator) && m_current.text == ":" &&
        !reservedName(upperName(m_previous.text))) {
        stmt.kind = StmtKind::Label;
        stmt.name = upperName(m_previous.text);
        return stmt;
    }
    stmt.target = nameFrom(m_previous);
    if (m_panic)
        return std::nullopt;
    if (takesBareArguments(stmt.target->text) && !stmt.target->hasArgs && !atStatementEnd()) {
        stmt.target->hasArgs = true;
        do {
            stmt.target->args.push_back(expression());
            if (m_panic)
                return std::nullopt;
        } while (match(TokenType::Comma));
    }
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
    Stmt stmt = startStatement(StmtKind::Print);
    bool glue = false;
    while (!atStatementEnd() && !(m_oneLineIfs > 0 && checkWord("ELSE"))) {
        PrintItem item;
        item.glued = glue;
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
        // Items may be separated by blanks or ',' (printed as one blank) or
        // ';' (printed as nothing); a trailing ';' keeps the line open, a
        // trailing ',' is accepted.
        glue = match(TokenType::Semicolon);
        if (glue)
            stmt.lineEnd = false;
        else
            match(TokenType::Comma);
    }
    return stmt;
}

std::optional<Stmt> Parser::declaration(Scope scope)
{
    Stmt stmt = startStatement(StmtKind::Declare);
    stmt.scope = scope;
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

std::optional<Stmt> Parser::localStatement()
{
    return declaration(Scope::Local);
}

std::optional<Stmt> Parser::ifStatement()
{
    std::optional<Stmt> stmt = conditionStatement(StmtKind::If);
    if (!stmt || !matchWord("THEN")) {
        if (stmt)
            error("expected THEN");
        return std::nullopt;
    }
    // Anything after THEN on the same line makes a one-line IF, closed by the
    // line's end.
    if (!atStatementEnd()) {
        ++m_oneLineIfs;
        m_continueLine = true;
    }
    return stmt;
}

std::optional<Stmt> Parser::elseIfStatement()
{
    std::optional<Stmt> stmt = conditionStatement(StmtKind::ElseIf);
    if (stmt)
        matchWord("THEN");
    return stmt;
}

std::optional<Stmt> Parser::elseStatement()
{
    std::optional<Stmt> stmt = bareStatement(StmtKind::Else);
    if (m_oneLineIfs > 0 && !atStatementEnd())
        m_continueLine = true;
    return stmt;
}

std::optional<Stmt> Parser::endStatement()
{
    if (matchWord("IF"))
        return bareStatement(StmtKind::EndIf);
    if (matchWord("SUB"))
        return bareStatement(StmtKind::EndSub);
    return bareStatement(StmtKind::End);
}

Stmt Parser::startStatement(StmtKind kind) const
{
    Stmt stmt;
    stmt.kind = kind;
    stmt.line = m_previous.line;
    return stmt;
}

std::optional<Stmt> Parser::bareStatement(StmtKind kind)
{
    return startStatement(kind);
}

std::optional<Stmt> Parser::conditionStatement(StmtKind kind)
{
    Stmt stmt = startStatement(kind);
    stmt.value = expression();
    if (m_panic)
        return std::nullopt;
    return stmt;
}

std::optional<Stmt> Parser::forStatement()
{
    Stmt stmt = startStatement(StmtKind::For);
    if (!check(TokenType::Name)) {
        error("expected the loop variable");
        return std::nullopt;
    }
    advance();
    stmt.target = nameFrom(m_previous);
    if (m_panic || !expect(TokenType::Equal, "'='"))
        return std::nullopt;
    stmt.value = expression();
    if (m_panic)
        return std::nullopt;
    if (!matchWord("TO")) {
        error("expected TO");
        return std::nullopt;
    }
    stmt.limit = expression();
    if (!m_panic && matchWord("STEP"))
        stmt.step = expression();
    if (m_panic)
        return std::nullopt;
    return stmt;
}

std::optional<Stmt> Parser::nextStatement()
{
    Stmt stmt = startStatement(StmtKind::Next);
    if (match(TokenType::Name))
        stmt.name = upperName(m_previous.text);
    return stmt;
}

std::optional<Stmt> Parser::jumpStatement(StmtKind kind)
{
    Stmt stmt = startStatement(kind);
    if (refuseReservedName("a label"))
        return std::nullopt;
    if (!match(TokenType::Name)) {
        error("expected a label");
        return std::nullopt;
    }
    stmt.name = upperName(m_previous.text);
    return stmt;
}

std::optional<Stmt> Parser::subStatement()
{
    Stmt stmt = startStatement(StmtKind::Sub);
    if (refuseReservedName("a SUB's name"))
        return std::nullopt;
    if (!match(TokenType::Name)) {
        error("expected the SUB's name");
        return std::nullopt;
    }
    stmt.name = upperName(m_previous.text);
    if (match(TokenType::LeftParen) && !match(TokenType::RightParen)) {
        do {
            if (!match(TokenType::Name)) {
                error("expected a parameter name");
                return std::nullopt;
            }
            stmt.params.push_back(upperName(m_previous.text));
        } while (match(TokenType::Comma));
        if (!expect(TokenType::RightParen, "')'"))
            return std::nullopt;
    }
    return stmt;
}

std::optional<Stmt> Parser::waitStatement()
{
    Stmt stmt;
    stmt.line = m_previous.line;
    if (matchWord("UNTIL")) {
        stmt.kind = StmtKind::WaitUntil;
        stmt.value = expression();
    } else if (matchWord("IDLE")) {
        stmt.kind = StmtKind::WaitIdle;
        if (matchWord("AXIS") && expect(TokenType::LeftParen, "'(' after AXIS")) {
            stmt.value = expression();
            expect(TokenType::RightParen, "')'");
        }
    } else {
        error("expected IDLE or UNTIL after WAIT");
    }
    if (m_panic)
        return std::nullopt;
    return stmt;
}

std::optional<Stmt> Parser::delayStatement()
{
    return conditionStatement(StmtKind::Delay);
}

const Parser::StatementWord* Parser::findStatementWord(std::string_view upper)
{
    static const StatementWord words[] = {
        {"PRINT", &Parser::printStatement},
        {"IF", &Parser::ifStatement},
        {"THEN", nullptr},
        {"ELSEIF", &Parser::elseIfStatement},
        {"ELSE", &Parser::elseStatement},
        {"ENDIF", &Parser::endIfStatement},
        {"END", &Parser::endStatement},
        {"FOR", &Parser::forStatement},
        {"TO", nullptr},
        {"STEP", nullptr},
        {"NEXT", &Parser::nextStatement},
        {"WHILE", &Parser::whileStatement},
        {"WEND", &Parser::wendStatement},
        {"REPEAT", &Parser::repeatStatement},
        {"UNTIL", &Parser::untilStatement},
        {"GOTO", &Parser::gotoStatement},
        {"GOSUB", &Parser::gosubStatement},
        {"RETURN", &Parser::returnStatement},
        {"SUB", &Parser::subStatement},
        {"ENDSUB", &Parser::endSubStatement},
        {"LOCAL", &Parser::localStatement},
        {"WAIT", &Parser::waitStatement},
        {"DELAY", &Parser::delayStatement},
    };
    for (const StatementWord& w : words) {
        if (w.word == upper)
            return &w;
    }
    return nullptr;
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
