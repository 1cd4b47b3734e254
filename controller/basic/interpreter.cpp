#include "controller/basic/interpreter.h"

#include "controller/basic/builtins.h"
#include "controller/basic/parser.h"
#include "controller/basic/task_runner.h"

#include <algorithm>
#include <cmath>

namespace korvan::controller::basic {

namespace {

bool truthy(double v)
{
    return v != 0.0;
}
double boolean(bool b)
{
    return b ? -1.0 : 0.0;
} // Korbasic TRUE is -1

long long toInteger(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9e18)
        return 0;
    return static_cast<long long>(v);
}

} // namespace

Interpreter::Interpreter(Host& host, DiagnosticSink sink) : m_host(host), m_sink(std::move(sink)) {}

int32_t Interpreter::run(const Program& program, std::string& output, const SlicePause& pause)
{
    // The runner only reads the program; it is borrowed for this call.
    TaskRunner runner(std::shared_ptr<const Program>(&program, [](const Program*) {}));
    StepState state = StepState::Running;
    for (int used = 0; used < commandLineBudget;) {
        const int slice =
            pause ? std::min(commandLineSlice, commandLineBudget - used) : commandLineBudget;
        state = runner.step(m_host, slice, 0.0, output);
        used += slice;
        // A runner that stops early for an interrupt ends the line as before.
        if (state != StepState::Running || m_host.interrupted() || used >= commandLineBudget)
            break;
        pause();
    }
    Diagnostic d;
    if (state == StepState::Failed) {
        d = runner.error();
    } else if (state == StepState::Running || state == StepState::Waiting) {
        d = {ErrorKind::Runtime, runner.currentLine(), static_cast<int32_t>(ErrorCode::MustNotWait),
             std::string(errorText(static_cast<int32_t>(ErrorCode::MustNotWait)))};
        runner.abandon(m_host);
    } else {
        return 0;
    }
    if (m_sink)
        m_sink(d);
    return d.code;
}

HostResult Interpreter::evaluateNumber(const Expr& expr, double& out)
{
    Value v;
    if (HostResult r = evaluate(expr, v); r.failed())
        return r;
    if (v.isText)
        return HostResult::fail(ErrorCode::BadArgument, "a text in an expression");
    out = v.number;
    return HostResult::ok();
}

HostResult Interpreter::assign(const Expr& target, double value)
{
    NameRef ref;
    if (HostResult r = resolve(target, ref, 0); r.failed())
        return r;
    if (findBuiltin(ref.name) || isStatementWord(ref.name))
        return HostResult::fail(ErrorCode::Reserved, std::string(ref.name));
    return m_host.write(ref, value);
}

HostResult Interpreter::execute(const Stmt& stmt, std::string& output)
{
    switch (stmt.kind) {
    case StmtKind::Print: {
        std::string line;
        bool first = true;
        for (const PrintItem& item : stmt.items) {
            std::string text;
            if (item.block) {
                NameRef ref;
                if (HostResult r = resolve(*item.expr, ref, 0); r.failed())
                    return r;
                if (HostResult r = m_host.printBlock(ref, text); r.failed())
                    return r;
            } else {
                Value v;
                if (HostResult r = evaluate(*item.expr, v); r.failed())
                    return r;
                text = v.isText ? v.text : formatNumber(v.number);
            }
            if (!first && !item.glued)
                line += ' ';
            line += text;
            first = false;
        }
        output += line;
        if (stmt.lineEnd)
            output += "\r\n";
        return HostResult::ok();
    }
    case StmtKind::Assign: {
        Value v;
        if (HostResult r = evaluate(*stmt.value, v); r.failed())
            return r;
        if (v.isText)
            return HostResult::fail(ErrorCode::BadArgument, "a text cannot be assigned");
        return assign(*stmt.target, v.number);
    }
    case StmtKind::Call: {
        NameRef ref;
        if (m_host.takesSources(stmt.target->text)) {
            if (HostResult r = resolveSources(*stmt.target, ref); r.failed())
                return r;
            return m_host.call(ref);
        }
        if (HostResult r = resolve(*stmt.target, ref, 0); r.failed())
            return r;
        return m_host.call(ref);
    }
    case StmtKind::Declare:
        for (const Declaration& d : stmt.declarations) {
            long size = -1;
            if (d.size) {
                Value v;
                if (HostResult r = evaluate(*d.size, v); r.failed())
                    return r;
                if (v.isText || v.number < 1 || v.number > 1e9)
                    return HostResult::fail(ErrorCode::BadArgument, "array size of " + d.name);
                size = static_cast<long>(v.number);
            }
            if (findBuiltin(d.name) || isStatementWord(d.name))
                return HostResult::fail(ErrorCode::Reserved, d.name);
            if (HostResult r = m_host.declare(d.name, size, stmt.scope); r.failed())
                return r;
        }
        return HostResult::ok();
    default:
        // Control statements belong to the TaskRunner.
        return HostResult::fail(ErrorCode::Syntax, "statement outside a program");
    }
}

HostResult Interpreter::resolve(const Expr& expr, NameRef& ref, int depth)
{
    ref.sources.clear();
    ref.name = expr.text;
    ref.hasArgs = expr.hasArgs;
    ref.line = expr.line;
    ref.args.clear();
    ref.text.reset();
    for (const ExprPtr& arg : expr.args) {
        if (arg->kind == ExprKind::String && &arg == &expr.args.front()) {
            ref.text = arg->text;
            continue;
        }
        Value v;
        if (HostResult r = evaluate(*arg, v, depth + 1); r.failed())
            return r;
        if (v.isText)
            return HostResult::fail(ErrorCode::BadArgument, "a text is not an argument");
        ref.args.push_back(v.number);
    }
    return resolveAxis(expr, ref, depth);
}

HostResult Interpreter::resolveAxis(const Expr& expr, NameRef& ref, int depth)
{
    if (!expr.axis)
        return HostResult::ok();
    Value v;
    if (HostResult r = evaluate(*expr.axis, v, depth + 1); r.failed())
        return r;
    if (v.isText || v.number < 0 || v.number > 1e6)
        return HostResult::fail(ErrorCode::IndexRange, "axis");
    ref.axis = static_cast<int>(v.number);
    return HostResult::ok();
}

HostResult Interpreter::resolveSources(const Expr& expr, NameRef& ref)
{
    // Bare names stay references (their indexes are evaluated); everything
    // else is an ordinary value.
    ref = NameRef{};
    ref.name = expr.text;
    ref.hasArgs = expr.hasArgs;
    ref.line = expr.line;
    for (const ExprPtr& arg : expr.args) {
        NameRef source;
        if (arg->kind == ExprKind::Name && !findBuiltin(arg->text)) {
            if (HostResult r = resolve(*arg, source, 1); r.failed())
                return r;
            ref.args.push_back(0.0);
        } else {
            Value v;
            if (HostResult r = evaluate(*arg, v, 1); r.failed())
                return r;
            if (v.isText)
                return HostResult::fail(ErrorCode::BadArgument, "a text is not an argument");
            ref.args.push_back(v.number);
        }
        ref.sources.push_back(std::move(source));
    }
    return resolveAxis(expr, ref, 0);
}

HostResult Interpreter::evaluate(const Expr& expr, Value& out, int depth)
{
    if (depth > 4 * maxNesting)
        return HostResult::fail(ErrorCode::TooDeep);
    switch (expr.kind) {
    case ExprKind::Number:
        out = Value::ofNumber(expr.number);
        return HostResult::ok();
    case ExprKind::String:
        out = Value::ofText(expr.text);
        return HostResult::ok();
    case ExprKind::Unary: {
        Value v;
        if (HostResult r = evaluate(*expr.rhs, v, depth + 1); r.failed())
            return r;
        if (v.isText)
            return HostResult::fail(ErrorCode::BadArgument, "a text in an expression");
        if (expr.op == TokenType::Minus)
            out = Value::ofNumber(-v.number);
        else if (expr.op == TokenType::Not)
            out = Value::ofNumber(boolean(!truthy(v.number)));
        else
            out = v;
        return HostResult::ok();
    }
    case ExprKind::Binary:
        return binary(expr, out, depth);
    case ExprKind::Name: {
        NameRef ref;
        if (HostResult r = resolve(expr, ref, depth); r.failed())
            return r;
        if (const Builtin* b = findBuiltin(ref.name)) {
            if (static_cast<int>(ref.args.size()) != b->arity || (b->arity > 0 && !ref.hasArgs))
                return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + " takes " +
                                                                    std::to_string(b->arity) +
                                                                    " argument(s)");
            out = Value::ofNumber(b->apply(ref.args.data()));
            return HostResult::ok();
        }
        return m_host.read(ref, out);
    }
    }
    return HostResult::fail(ErrorCode::Syntax);
}

HostResult Interpreter::binary(const Expr& expr, Value& out, int depth)
{
    Value a;
    Value b;
    if (HostResult r = evaluate(*expr.lhs, a, depth + 1); r.failed())
        return r;
    if (HostResult r = evaluate(*expr.rhs, b, depth + 1); r.failed())
        return r;
    if (a.isText || b.isText)
        return HostResult::fail(ErrorCode::BadArgument, "a text in an expression");
    const double x = a.number;
    const double y = b.number;
    double result = 0.0;
    switch (expr.op) {
    case TokenType::Plus:
        result = x + y;
        break;
    case TokenType::Minus:
        result = x - y;
        break;
    case TokenType::Star:
        result = x * y;
        break;
    case TokenType::Slash:
        if (y == 0.0)
            return HostResult::fail(ErrorCode::DivisionByZero);
        result = x / y;
        break;
    case TokenType::Mod: {
        const long long d = toInteger(y);
        if (d == 0)
            return HostResult::fail(ErrorCode::DivisionByZero);
        result = static_cast<double>(toInteger(x) % d);
        break;
    }
    case TokenType::Caret:
        result = std::pow(x, y);
        break;
    case TokenType::Equal:
        result = boolean(x == y);
        break;
    case TokenType::NotEqual:
        result = boolean(x != y);
        break;
    case TokenType::Less:
        result = boolean(x < y);
        break;
    case TokenType::LessEqual:
        result = boolean(x <= y);
        break;
    case TokenType::Greater:
        result = boolean(x > y);
        break;
    case TokenType::GreaterEqual:
        result = boolean(x >= y);
        break;
    case TokenType::And:
        result = boolean(truthy(x) && truthy(y));
        break;
    case TokenType::Or:
        result = boolean(truthy(x) || truthy(y));
        break;
    case TokenType::Xor:
        result = boolean(truthy(x) != truthy(y));
        break;
    default:
        return HostResult::fail(ErrorCode::Syntax);
    }
    out = Value::ofNumber(result);
    return HostResult::ok();
}

int32_t runText(std::string_view text, Host& host, const DiagnosticSink& sink, std::string& output,
                const SlicePause& pause)
{
    int32_t firstCode = 0;
    Parser parser(
        text,
        [&](const Diagnostic& d) {
            if (firstCode == 0)
                firstCode = d.code;
            if (sink)
                sink(d);
        },
        [&host](std::string_view name) { return host.reservesName(name); });
    std::optional<Program> program = parser.parseProgram();
    if (!program)
        return firstCode != 0 ? firstCode : static_cast<int32_t>(ErrorCode::Syntax);
    Interpreter interpreter(host, sink);
    return interpreter.run(*program, output, pause);
}

std::string_view errorText(int32_t code)
{
    switch (code) {
#define KORBASIC_ERROR_TEXT(name, number, text)                                                    \
    case number:                                                                                   \
        return text;
        KORBASIC_ERRORS(KORBASIC_ERROR_TEXT)
#undef KORBASIC_ERROR_TEXT
    default:
        return "";
    }
}

} // namespace korvan::controller::basic
