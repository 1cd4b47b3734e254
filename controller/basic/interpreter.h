// Runs parsed Korbasic statements. The language knows operators, built-in
// math functions and statement shapes; every other name (parameters, I/O,
// memory, variables, commands) belongs to the Host, which the controller
// implements. The Interpreter runs single statements and expressions; the
// TaskRunner (task_runner.h) runs whole programs with their control flow,
// for tasks and command lines alike.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/diagnostics.h"
#include "controller/basic/value.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvan::controller::basic {

// A name as the host sees it: its evaluated arguments and axis modifier.
struct NameRef
{
    std::string_view name; // upper case
    std::vector<double> args;
    bool hasArgs = false;
    std::optional<int> axis; // from "AXIS(n)"
    int line = 1;
    /// A string literal given as the first argument (RUN "MAIN"); it is not
    /// counted in args.
    std::optional<std::string> text;
    /// For a command that takes value sources (SCOPE): the arguments that
    /// are bare names, unevaluated; an empty name marks a plain argument.
    std::vector<NameRef> sources;
};

// What a host reports back; message adds detail to the code's text.
struct HostResult
{
    ErrorCode code = ErrorCode::None;
    std::string message;

    static HostResult ok() { return {}; }
    static HostResult fail(ErrorCode c, std::string m = {}) { return {c, std::move(m)}; }
    bool failed() const { return code != ErrorCode::None; }
};

class Host
{
public:
    virtual ~Host() = default;
    /// Reads a value ("?SPEED", "IN(3)", "a").
    virtual HostResult read(const NameRef& ref, Value& out) = 0;
    /// Writes a value ("SPEED=100", "VR(0)=2").
    virtual HostResult write(const NameRef& ref, double value) = 0;
    /// Runs a command statement ("OP(1,1)", "BASE(0,1)", "reboot").
    virtual HostResult call(const NameRef& ref) = 0;
    /// Prints a "?*NAME" item into out.
    virtual HostResult printBlock(const NameRef& ref, std::string& out) = 0;
    /// Declares a variable or an array (size < 0 for a plain variable).
    virtual HostResult declare(std::string_view name, long size, Scope scope) = 0;
    /// Opens the variables of a SUB call (LOCAL and parameters); they hide
    /// the task's and the controller's variables of the same name.
    virtual void pushFrame() = 0;
    /// Drops the innermost SUB call's variables.
    virtual void popFrame() = 0;
    /// True when a command just run asked the running task to give up its
    /// turn (it was stopped or paused).
    virtual bool interrupted() const { return false; }
    /// True for a command whose name arguments are sources to be read later
    /// ("SCOPE(1,1,0,999,DPOS(0))"), not values to be read now.
    virtual bool takesSources(std::string_view /*command*/) const { return false; }
    /// True for an upper-case name the host gives a meaning of its own
    /// (commands, parameters, ...), which therefore cannot be a label.
    virtual bool reservesName(std::string_view /*upperName*/) const { return false; }
};

/// Statements a command line may run before it is refused.
inline constexpr int commandLineBudget = 100000;
/// Statements a command line runs between two calls of its pause hook.
inline constexpr int commandLineSlice = 500;
/// Called between slices of a command line, where the host may let other
/// work in before the line goes on.
using SlicePause = std::function<void()>;

class Interpreter
{
public:
    Interpreter(Host& host, DiagnosticSink sink);

    /// Runs a command line's program to its end and stops at the first
    /// error, whose code it returns (0 when all ran). A command line may not
    /// wait or run more than commandLineBudget statements (2016). Printed
    /// text is appended to output; pause, when given, runs after every
    /// commandLineSlice statements.
    int32_t run(const Program& program, std::string& output, const SlicePause& pause = {});

    /// Runs one simple statement (assignment, print, command, declaration).
    HostResult execute(const Stmt& stmt, std::string& output);
    /// Evaluates one expression.
    HostResult evaluate(const Expr& expr, Value& out, int depth = 0);
    /// Evaluates an expression that must give a number.
    HostResult evaluateNumber(const Expr& expr, double& out);
    /// Writes value to an assignment target (a name expression).
    HostResult assign(const Expr& target, double value);
    /// Evaluates the arguments and axis of a name.
    HostResult resolve(const Expr& expr, NameRef& ref, int depth);

private:
    HostResult resolveSources(const Expr& expr, NameRef& ref);
    HostResult resolveAxis(const Expr& expr, NameRef& ref, int depth);
    HostResult binary(const Expr& expr, Value& out, int depth);

    Host& m_host;
    DiagnosticSink m_sink;
};

/// Parses text and runs it; errors of both steps go to sink.
int32_t runText(std::string_view text, Host& host, const DiagnosticSink& sink, std::string& output,
                const SlicePause& pause = {});

} // namespace korvan::controller::basic
