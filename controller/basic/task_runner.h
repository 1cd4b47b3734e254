// Runs one linked program as a task: a program counter, the GOSUB / SUB call
// frames with their FOR loops, and what the task waits for. step() runs at
// most a budget of statements and returns early when the task waits (WAIT,
// DELAY) or ends, so an endless loop only ever uses its budget. The host
// gives every name its meaning; a command line runs through the same code.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/diagnostics.h"
#include "controller/basic/interpreter.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace korvan::controller::basic {

enum class StepState
{
    Running,  // budget used up, more to do
    Waiting,  // waits for a condition or a time
    Finished, // ran off the end or reached END
    Failed,   // stopped by an error; see error()
};

/// Deepest GOSUB / SUB nesting; deeper calls are error 2014.
inline constexpr std::size_t maxCallDepth = 256;

class TaskRunner
{
public:
    explicit TaskRunner(std::shared_ptr<const Program> program);

    /// Runs up to budget statements at time now (seconds); printed text is
    /// appended to output.
    StepState step(Host& host, int budget, double now, std::string& output);

    StepState state() const { return m_state; }
    /// The error that stopped the task (kind Runtime, with its line).
    const Diagnostic& error() const { return m_error; }
    /// The 1-based line of the statement to run next, 0 at the end.
    int currentLine() const;
    /// Leaves every SUB call still open, so that the host drops their
    /// variables; the runner is finished afterwards.
    void abandon(Host& host);

private:
    struct LoopState
    {
        double limit = 0;
        double step = 1;
    };
    struct Frame
    {
        std::size_t returnTo = 0;
        bool sub = false;               // a SUB call with its own variables
        std::map<int, LoopState> loops; // by FOR statement
    };
    enum class Flow
    {
        Next,
        Wait,
        End
    };

    Flow execute(const Stmt& stmt, Interpreter& interpreter, Host& host, double now,
                 std::string& output);
    Flow condition(const Stmt& stmt, Interpreter& interpreter, bool& truth);
    Flow enterBranch(int target, Interpreter& interpreter);
    Flow forLoop(const Stmt& stmt, Interpreter& interpreter);
    Flow nextLoop(const Stmt& stmt, Interpreter& interpreter);
    Flow callSub(const Stmt& stmt, Interpreter& interpreter, Host& host);
    Flow returnFromCall(Host& host);
    Flow fail(const Stmt& stmt, const HostResult& result);

    std::shared_ptr<const Program> m_program;
    std::size_t m_pc = 0;
    std::vector<Frame> m_frames{Frame{}};
    double m_wakeAt = -1.0;
    StepState m_state = StepState::Running;
    Diagnostic m_error;
    bool m_failed = false;
};

} // namespace korvan::controller::basic
