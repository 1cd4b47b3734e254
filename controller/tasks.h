// The controller's program tasks: the programs of the loaded package and a
// fixed table of task slots, each running one program with its own
// variables and BASE list. tick() gives every running task a budget of
// statements per servo tick, in task order, so tasks run side by side and
// no program can hold the controller. Guarded by the Controller's mutex.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/interpreter.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct ControllerState;

/// Task slots of a controller; tasks are numbered 0 to taskCount - 1.
inline constexpr int taskCount = 16;
/// Statements one task may run per servo tick.
inline constexpr int taskStepBudget = 200;

enum class TaskState : uint8_t
{
    Stopped = 0,
    Running = 1, // also while it waits (WAIT, DELAY)
    Paused = 3,
    Failed = 100,
};

// A compiled program file of the loaded package.
struct LoadedProgram
{
    std::string name; // the file name, as in the package
    std::shared_ptr<const basic::Program> program;
};

class TaskTable
{
public:
    TaskTable();
    ~TaskTable();
    TaskTable(const TaskTable&) = delete;
    TaskTable& operator=(const TaskTable&) = delete;

    /// Stops every task and makes programs the ones RUN can start.
    void load(std::vector<LoadedProgram> programs);
    /// Starts the program of that name (".BAS" may be left out, any case)
    /// in task, or in the lowest free task.
    basic::HostResult run(std::string_view name, std::optional<int> task);
    /// Stops every task that runs the named program.
    basic::HostResult stopProgram(std::string_view name);
    basic::HostResult stopTask(int task);
    basic::HostResult pauseTask(int task);
    basic::HostResult resumeTask(int task);
    /// Starts the package's first program in task 0; the others wait for
    /// RUN.
    void startMain();
    /// Marks a program that did not compile: the run state reads 100 until
    /// the next load or stopAll().
    void markLoadFailed() { m_loadFailed = true; }
    /// Resumes every paused task.
    void resumeAll();
    /// Stops every task; their errors are forgotten.
    void stopAll();

    /// One servo tick at time now: every running task runs its budget.
    /// Printed text and error reports ("Task n Lostcount:line in FILE:
    /// ERROR code: text") are appended to messages; lastError receives the
    /// code of a task that failed.
    void tick(ControllerState& state, double now, std::string& messages, int32_t& lastError);

    TaskState state(int task) const;
    /// The controller's run state: 100 when a task failed, else 3 when one
    /// is paused, else 1 when one runs, else 0.
    uint8_t runState() const;

private:
    struct Slot;
    Slot* slot(int task) const;
    const LoadedProgram* find(std::string_view name) const;
    basic::HostResult start(const LoadedProgram& program, std::optional<int> task);
    void release(Slot& slot);

    std::array<std::unique_ptr<Slot>, taskCount> m_slots;
    std::vector<LoadedProgram> m_programs;
    int m_current = -1; // the task being stepped
    bool m_loadFailed = false;
};

/// Adds RUN, STOP, HALT, STOPTASK, PAUSETASK and RESUMETASK.
void registerTaskCommands(class CommandRegistry& registry);

} // namespace korvan::controller
