#include "controller/basic/task_runner.h"

#include <cmath>

namespace korvan::controller::basic {

TaskRunner::TaskRunner(std::shared_ptr<const Program> program) : m_program(std::move(program)) {}

int TaskRunner::currentLine() const
{
    if (m_pc >= m_program->statements.size())
        return 0;
    return m_program->statements[m_pc].line;
}

void TaskRunner::abandon(Host& host)
{
    for (std::size_t i = m_frames.size(); i-- > 1;) {
        if (m_frames[i].sub)
            host.popFrame();
    }
    m_frames.resize(1);
    if (m_state != StepState::Failed)
        m_state = StepState::Finished;
}

StepState TaskRunner::step(Host& host, int budget, double now, std::string& output)
{
    if (m_state == StepState::Finished || m_state == StepState::Failed)
        return m_state;
    if (m_wakeAt >= 0.0) {
        if (now < m_wakeAt)
            return m_state = StepState::Waiting;
        m_wakeAt = -1.0;
    }
    Interpreter interpreter(host, nullptr);
    const auto& statements = m_program->statements;
    for (int done = 0; done < budget; ++done) {
        if (m_pc >= statements.size()) {
            abandon(host);
            return m_state;
        }
        const Stmt& stmt = statements[m_pc];
        const Flow flow = execute(stmt, interpreter, host, now, output);
        if (flow == Flow::End) {
            abandon(host);
            return m_state;
        }
        if (flow == Flow::Wait)
            return m_state = StepState::Waiting;
        if (host.interrupted())
            break;
    }
    return m_state = StepState::Running;
}

TaskRunner::Flow TaskRunner::fail(const Stmt& stmt, const HostResult& result)
{
    m_error.kind = ErrorKind::Runtime;
    m_error.line = stmt.line;
    m_error.code = static_cast<int32_t>(result.code);
    m_error.message = std::string(errorText(m_error.code));
    // Codes of host modules (motion) have no text here; theirs comes along.
    if (!result.message.empty())
        m_error.message += (m_error.message.empty() ? "" : ": ") + result.message;
    m_state = StepState::Failed;
    return Flow::End;
}

TaskRunner::Flow TaskRunner::execute(const Stmt& stmt, Interpreter& interpreter, Host& host,
                                     double now, std::string& output)
{
    const std::size_t here = m_pc;
    auto to = [this](int index) {
        m_pc = static_cast<std::size_t>(index);
        return Flow::Next;
    };
    bool truth = false;
    switch (stmt.kind) {
    case StmtKind::Assign:
    case StmtKind::Print:
    case StmtKind::Call:
    case StmtKind::Declare:
        if (HostResult r = interpreter.execute(stmt, output); r.failed())
            return fail(stmt, r);
        m_pc = here + 1;
        return Flow::Next;
    case StmtKind::If:
        if (condition(stmt, interpreter, truth) == Flow::End)
            return Flow::End;
        return truth ? to(static_cast<int>(here) + 1) : enterBranch(stmt.jump, interpreter);
    case StmtKind::ElseIf:
    case StmtKind::Else:
        // Reached from the end of a branch that ran: the chain is done.
        return to(stmt.exit);
    case StmtKind::Wend:
        return to(stmt.jump);
    case StmtKind::While: // false: past WEND
    case StmtKind::Until: // false: back to the top of REPEAT
        if (condition(stmt, interpreter, truth) == Flow::End)
            return Flow::End;
        return truth ? to(static_cast<int>(here) + 1) : to(stmt.jump);
    case StmtKind::For:
        return forLoop(stmt, interpreter);
    case StmtKind::Next:
        return nextLoop(stmt, interpreter);
    case StmtKind::Goto:
    case StmtKind::Sub: // reached by running into it: skip the body
        return to(stmt.jump);
    case StmtKind::Gosub:
        if (m_frames.size() >= maxCallDepth)
            return fail(stmt, HostResult::fail(ErrorCode::TooManyCalls));
        m_frames.push_back({here + 1, false, {}});
        return to(stmt.jump);
    case StmtKind::SubCall:
        return callSub(stmt, interpreter, host);
    case StmtKind::Return:
    case StmtKind::EndSub:
        if (m_frames.size() < 2 || (stmt.kind == StmtKind::EndSub && !m_frames.back().sub))
            return fail(stmt, HostResult::fail(ErrorCode::ReturnWithoutCall));
        return returnFromCall(host);
    case StmtKind::WaitUntil:
        if (condition(stmt, interpreter, truth) == Flow::End)
            return Flow::End;
        if (!truth)
            return Flow::Wait;
        return to(static_cast<int>(here) + 1);
    case StmtKind::WaitIdle: {
        NameRef idle;
        idle.name = "IDLE";
        idle.line = stmt.line;
        if (stmt.value) {
            double axis = 0;
            if (HostResult r = interpreter.evaluateNumber(*stmt.value, axis); r.failed())
                return fail(stmt, r);
            if (!(axis >= 0 && axis < 1e6))
                return fail(stmt, HostResult::fail(ErrorCode::IndexRange, "axis"));
            idle.axis = static_cast<int>(axis);
        }
        Value v;
        if (HostResult r = host.read(idle, v); r.failed())
            return fail(stmt, r);
        if (v.number == 0.0)
            return Flow::Wait;
        return to(static_cast<int>(here) + 1);
    }
    case StmtKind::Delay: {
        double ms = 0;
        if (HostResult r = interpreter.evaluateNumber(*stmt.value, ms); r.failed())
            return fail(stmt, r);
        if (!(ms >= 0 && ms <= 1e9))
            return fail(stmt, HostResult::fail(ErrorCode::BadArgument, "DELAY milliseconds"));
        m_wakeAt = now + ms / 1000.0;
        m_pc = here + 1;
        return Flow::Wait;
    }
    case StmtKind::End:
        return Flow::End;
    case StmtKind::EndIf:
    case StmtKind::Repeat:
    case StmtKind::Label:
        return to(static_cast<int>(here) + 1);
    }
    return to(static_cast<int>(here) + 1);
}

TaskRunner::Flow TaskRunner::condition(const Stmt& stmt, Interpreter& interpreter, bool& truth)
{
    double v = 0;
    if (HostResult r = interpreter.evaluateNumber(*stmt.value, v); r.failed())
        return fail(stmt, r);
    truth = v != 0.0;
    return Flow::Next;
}

TaskRunner::Flow TaskRunner::enterBranch(int target, Interpreter& interpreter)
{
    // Walks the ELSEIF chain from a condition that failed; the chain is
    // finite, so this stays one statement's worth of work.
    for (;;) {
        const Stmt& branch = m_program->statements[static_cast<std::size_t>(target)];
        if (branch.kind != StmtKind::ElseIf) {
            m_pc = static_cast<std::size_t>(target) + 1; // into ELSE, or past ENDIF
            return Flow::Next;
        }
        bool truth = false;
        if (condition(branch, interpreter, truth) == Flow::End)
            return Flow::End;
        if (truth) {
            m_pc = static_cast<std::size_t>(target) + 1;
            return Flow::Next;
        }
        target = branch.jump;
    }
}

TaskRunner::Flow TaskRunner::forLoop(const Stmt& stmt, Interpreter& interpreter)
{
    double start = 0;
    LoopState loop;
    if (HostResult r = interpreter.evaluateNumber(*stmt.value, start); r.failed())
        return fail(stmt, r);
    if (HostResult r = interpreter.evaluateNumber(*stmt.limit, loop.limit); r.failed())
        return fail(stmt, r);
    if (stmt.step) {
        if (HostResult r = interpreter.evaluateNumber(*stmt.step, loop.step); r.failed())
            return fail(stmt, r);
    }
    if (loop.step == 0.0 || !std::isfinite(loop.step))
        return fail(stmt, HostResult::fail(ErrorCode::BadArgument, "FOR STEP must not be 0"));
    if (HostResult r = interpreter.assign(*stmt.target, start); r.failed())
        return fail(stmt, r);
    const auto index = static_cast<int>(m_pc);
    const bool runs = loop.step > 0 ? start <= loop.limit : start >= loop.limit;
    if (!runs) {
        m_frames.back().loops.erase(index);
        m_pc = static_cast<std::size_t>(stmt.jump);
        return Flow::Next;
    }
    m_frames.back().loops[index] = loop;
    ++m_pc;
    return Flow::Next;
}

TaskRunner::Flow TaskRunner::nextLoop(const Stmt& stmt, Interpreter& interpreter)
{
    auto& loops = m_frames.back().loops;
    const auto it = loops.find(stmt.jump);
    if (it == loops.end())
        return fail(stmt, HostResult::fail(ErrorCode::BlockMismatch, "NEXT of a FOR not running"));
    const Stmt& head = m_program->statements[static_cast<std::size_t>(stmt.jump)];
    double value = 0;
    if (HostResult r = interpreter.evaluateNumber(*head.target, value); r.failed())
        return fail(stmt, r);
    value += it->second.step;
    if (HostResult r = interpreter.assign(*head.target, value); r.failed())
        return fail(stmt, r);
    const bool again = it->second.step > 0 ? value <= it->second.limit : value >= it->second.limit;
    if (again) {
        m_pc = static_cast<std::size_t>(stmt.jump) + 1;
    } else {
        loops.erase(it);
        ++m_pc;
    }
    return Flow::Next;
}

TaskRunner::Flow TaskRunner::callSub(const Stmt& stmt, Interpreter& interpreter, Host& host)
{
    if (m_frames.size() >= maxCallDepth)
        return fail(stmt, HostResult::fail(ErrorCode::TooManyCalls));
    const Stmt& sub = m_program->statements[static_cast<std::size_t>(stmt.jump)];
    // Arguments are evaluated in the caller's variables, then bound by value.
    std::vector<double> values;
    for (const ExprPtr& arg : stmt.target->args) {
        double v = 0;
        if (HostResult r = interpreter.evaluateNumber(*arg, v); r.failed())
            return fail(stmt, r);
        values.push_back(v);
    }
    host.pushFrame();
    m_frames.push_back({m_pc + 1, true, {}});
    for (std::size_t i = 0; i < sub.params.size() && i < values.size(); ++i) {
        NameRef param;
        param.name = sub.params[i];
        param.line = stmt.line;
        if (HostResult r = host.declare(sub.params[i], -1, Scope::Local); r.failed())
            return fail(stmt, r);
        if (HostResult r = host.write(param, values[i]); r.failed())
            return fail(stmt, r);
    }
    m_pc = static_cast<std::size_t>(stmt.jump) + 1;
    return Flow::Next;
}

TaskRunner::Flow TaskRunner::returnFromCall(Host& host)
{
    const Frame& frame = m_frames.back();
    if (frame.sub)
        host.popFrame();
    m_pc = frame.returnTo;
    m_frames.pop_back();
    return Flow::Next;
}

} // namespace korvan::controller::basic
