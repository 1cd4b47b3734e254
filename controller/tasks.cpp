#include "controller/tasks.h"

#include "controller/basic/names.h"
#include "controller/basic/task_runner.h"
#include "controller/command_host.h"
#include "controller/controller_state.h"

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;

struct TaskTable::Slot
{
    TaskState state = TaskState::Stopped;
    std::string program;
    std::unique_ptr<basic::TaskRunner> runner;
    TaskContext context;
};

TaskTable::TaskTable()
{
    for (auto& s : m_slots)
        s = std::make_unique<Slot>();
}

TaskTable::~TaskTable() = default;

TaskTable::Slot* TaskTable::slot(int task) const
{
    if (task < 0 || task >= taskCount)
        return nullptr;
    return m_slots[static_cast<std::size_t>(task)].get();
}

void TaskTable::release(Slot& s)
{
    // The runner of the task being stepped is released by tick() after its
    // step, never under its own feet.
    if (&s != slot(m_current)) {
        s.runner.reset();
        s.context = TaskContext{};
    } else {
        s.context.interrupt = true;
    }
}

void TaskTable::load(std::vector<LoadedProgram> programs)
{
    stopAll();
    m_programs = std::move(programs);
}

const LoadedProgram* TaskTable::find(std::string_view name) const
{
    for (const LoadedProgram& p : m_programs) {
        const std::string_view file = p.name;
        const bool withExtension =
            file.size() > 4 && basic::namesEqual(file.substr(file.size() - 4), ".BAS");
        if (basic::namesEqual(file, name) ||
            (withExtension && basic::namesEqual(file.substr(0, file.size() - 4), name)))
            return &p;
    }
    return nullptr;
}

HostResult TaskTable::run(std::string_view name, std::optional<int> task)
{
    const LoadedProgram* program = find(name);
    if (!program)
        return HostResult::fail(ErrorCode::NoProgram, std::string(name));
    return start(*program, task);
}

void TaskTable::startMain()
{
    if (!m_programs.empty())
        start(m_programs.front(), 0);
}

HostResult TaskTable::start(const LoadedProgram& program, std::optional<int> task)
{
    if (!task) {
        for (int t = 0; t < taskCount && !task; ++t) {
            const Slot* s = slot(t);
            if ((s->state == TaskState::Stopped || s->state == TaskState::Failed) && !s->runner)
                task = t;
        }
    }
    Slot* s = task ? slot(*task) : nullptr;
    if (!s || s->state == TaskState::Running || s->state == TaskState::Paused || s->runner ||
        *task == m_current)
        return HostResult::fail(ErrorCode::TaskBusy, task ? std::to_string(*task) : "no task free");
    s->state = TaskState::Running;
    s->program = program.name;
    s->context = TaskContext{};
    s->context.program = true;
    s->runner = std::make_unique<basic::TaskRunner>(program.program);
    return HostResult::ok();
}

HostResult TaskTable::stopProgram(std::string_view name)
{
    const LoadedProgram* program = find(name);
    if (!program)
        return HostResult::fail(ErrorCode::NoProgram, std::string(name));
    for (int t = 0; t < taskCount; ++t) {
        if (slot(t)->runner && slot(t)->program == program->name)
            stopTask(t);
    }
    return HostResult::ok();
}

HostResult TaskTable::stopTask(int task)
{
    Slot* s = slot(task);
    if (!s)
        return HostResult::fail(ErrorCode::TaskBusy, std::to_string(task));
    s->state = TaskState::Stopped;
    release(*s);
    return HostResult::ok();
}

HostResult TaskTable::pauseTask(int task)
{
    Slot* s = slot(task);
    if (!s)
        return HostResult::fail(ErrorCode::TaskBusy, std::to_string(task));
    if (s->state == TaskState::Running) {
        s->state = TaskState::Paused;
        // Only the task being stepped has a turn to give up.
        s->context.interrupt = task == m_current;
    }
    return HostResult::ok();
}

HostResult TaskTable::resumeTask(int task)
{
    Slot* s = slot(task);
    if (!s)
        return HostResult::fail(ErrorCode::TaskBusy, std::to_string(task));
    if (s->state == TaskState::Paused)
        s->state = TaskState::Running;
    return HostResult::ok();
}

void TaskTable::resumeAll()
{
    for (int t = 0; t < taskCount; ++t)
        resumeTask(t);
}

void TaskTable::stopAll()
{
    m_loadFailed = false;
    for (int t = 0; t < taskCount; ++t)
        stopTask(t);
}

void TaskTable::tick(ControllerState& state, double now, std::string& messages, int32_t& lastError)
{
    for (int t = 0; t < taskCount; ++t) {
        Slot& s = *slot(t);
        if (s.state != TaskState::Running || !s.runner)
            continue;
        m_current = t;
        std::string printed;
        CommandHost host(state, s.context, printed);
        const basic::StepState result = s.runner->step(host, taskStepBudget, now, printed);
        m_current = -1;
        s.context.interrupt = false;
        messages += printed;
        if (result == basic::StepState::Failed) {
            const basic::Diagnostic& e = s.runner->error();
            messages += "Task " + std::to_string(t) + " Lostcount:" + std::to_string(e.line) +
                        " in " + s.program + ": ERROR " + std::to_string(e.code) + ": " +
                        e.message + "\r\n";
            lastError = e.code;
            s.state = TaskState::Failed;
        } else if (result == basic::StepState::Finished && s.state == TaskState::Running) {
            s.state = TaskState::Stopped;
        }
        // A task that ended, failed or was stopped during its step lets go now.
        if (s.state == TaskState::Stopped || s.state == TaskState::Failed) {
            s.runner.reset();
            s.context = TaskContext{};
        }
    }
}

TaskState TaskTable::state(int task) const
{
    const Slot* s = slot(task);
    return s ? s->state : TaskState::Stopped;
}

uint8_t TaskTable::runState() const
{
    if (m_loadFailed)
        return static_cast<uint8_t>(TaskState::Failed);
    bool running = false;
    bool paused = false;
    for (int t = 0; t < taskCount; ++t) {
        switch (slot(t)->state) {
        case TaskState::Failed:
            return static_cast<uint8_t>(TaskState::Failed);
        case TaskState::Paused:
            paused = true;
            break;
        case TaskState::Running:
            running = true;
            break;
        case TaskState::Stopped:
            break;
        }
    }
    if (paused)
        return static_cast<uint8_t>(TaskState::Paused);
    return static_cast<uint8_t>(running ? TaskState::Running : TaskState::Stopped);
}

namespace {

HostResult taskNumber(const CommandContext& c, std::size_t index, int& task)
{
    const double v = c.ref.args[index];
    if (!integral(v) || v < 0 || v >= taskCount)
        return HostResult::fail(ErrorCode::TaskBusy, std::to_string(v));
    task = static_cast<int>(v);
    return HostResult::ok();
}

// A command on one task number: STOPTASK n, PAUSETASK n, RESUMETASK n.
template <HostResult (TaskTable::*Action)(int)> HostResult onTask(CommandContext& c)
{
    int task = 0;
    if (HostResult r = taskNumber(c, 0, task); r.failed())
        return r;
    return (c.state.tasks.*Action)(task);
}

} // namespace

void registerTaskCommands(CommandRegistry& registry)
{
    registry.add({"RUN", 0, 1, [](CommandContext& c) {
                      if (!c.ref.text)
                          return HostResult::fail(ErrorCode::BadArgument,
                                                  "RUN \"program\"[, task]");
                      std::optional<int> task;
                      if (!c.ref.args.empty()) {
                          int t = 0;
                          if (HostResult r = taskNumber(c, 0, t); r.failed())
                              return r;
                          task = t;
                      }
                      return c.state.tasks.run(*c.ref.text, task);
                  }});
    registry.add({"STOP", 0, 0, [](CommandContext& c) {
                      if (c.ref.text)
                          return c.state.tasks.stopProgram(*c.ref.text);
                      c.state.tasks.stopAll();
                      return HostResult::ok();
                  }});
    registry.add({"HALT", 0, 0, [](CommandContext& c) {
                      c.state.tasks.stopAll();
                      return HostResult::ok();
                  }});
    registry.add({"STOPTASK", 1, 1, onTask<&TaskTable::stopTask>});
    registry.add({"PAUSETASK", 1, 1, onTask<&TaskTable::pauseTask>});
    registry.add({"RESUMETASK", 1, 1, onTask<&TaskTable::resumeTask>});
}

} // namespace korvan::controller
