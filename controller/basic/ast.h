// The syntax tree of a Korbasic program. A command line is parsed into a
// Program like a whole file; tasks and command lines run the same trees.
#pragma once

#include "controller/basic/token.h"

#include <memory>
#include <string>
#include <vector>

namespace korvan::controller::basic {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

enum class ExprKind
{
    Number, // a numeric literal
    String, // a string literal (printing only)
    Unary,  // op rhs
    Binary, // lhs op rhs
    Name,   // a variable, parameter, array element or function call
};

struct Expr
{
    ExprKind kind = ExprKind::Number;
    int line = 1;
    /// Height of the tree below and including this node; kept small so that
    /// evaluation and destruction never recurse deeply.
    int depth = 1;
    double number = 0.0;
    /// String literal text, or the upper-case name.
    std::string text;
    TokenType op = TokenType::End;
    ExprPtr lhs;
    ExprPtr rhs;
    /// Arguments or indexes of a name; hasArgs tells "A" from "A()".
    std::vector<ExprPtr> args;
    bool hasArgs = false;
    /// The axis of an "AXIS(n)" modifier after the name, or null.
    ExprPtr axis;
};

// One item of a print statement: an expression, or a "*NAME" block item.
struct PrintItem
{
    ExprPtr expr;
    bool block = false;
    /// True when a ';' joins it to the previous item without a blank.
    bool glued = false;
};

// A declaration of GLOBAL, DIM or LOCAL: a name and, for arrays, the size.
struct Declaration
{
    std::string name;
    ExprPtr size; // null for a plain variable
    int line = 1;
};

// Where a declaration puts its variables.
enum class Scope
{
    Global, // GLOBAL: the controller's
    Task,   // DIM: the task's (a session's command line is a task too)
    Local,  // LOCAL: the running SUB call's, else the task's
};

// Statements. Block statements carry jump targets that the linker fills in
// (see linker.h); "jump" and "exit" name statement indexes.
enum class StmtKind
{
    Assign,    // target = value
    Print,     // ? items / PRINT items
    Call,      // a command such as OP(1,1) or BASE(0,1)
    Declare,   // GLOBAL / DIM / LOCAL
    If,        // IF value THEN; jump: first ELSEIF / ELSE / ENDIF
    ElseIf,    // ELSEIF value; jump: next branch, exit: ENDIF
    Else,      // ELSE; exit: ENDIF
    EndIf,     // ENDIF (also written END IF; closes a one-line IF too)
    For,       // FOR target = value TO limit STEP step; jump: after NEXT
    Next,      // NEXT [target]; jump: its FOR
    While,     // WHILE value; jump: after WEND
    Wend,      // WEND; jump: its WHILE
    Repeat,    // REPEAT
    Until,     // UNTIL value; jump: after REPEAT
    Label,     // name:
    Goto,      // GOTO name; jump: the label
    Gosub,     // GOSUB name; jump: the label or SUB
    Return,    // RETURN from GOSUB or SUB
    Sub,       // SUB name(params); jump: after ENDSUB
    EndSub,    // ENDSUB (also END SUB)
    SubCall,   // a Call whose name is a SUB of the program; jump: the SUB
    WaitIdle,  // WAIT IDLE [AXIS(value)]
    WaitUntil, // WAIT UNTIL value
    Delay,     // DELAY value (milliseconds)
    End,       // END: the task ends
};

struct Stmt
{
    StmtKind kind = StmtKind::Call;
    int line = 1;
    /// Assign target or the called name (a Name expression).
    ExprPtr target;
    ExprPtr value;
    /// FOR's limit and step (step null: 1).
    ExprPtr limit;
    ExprPtr step;
    std::vector<PrintItem> items;
    /// False when a trailing ';' asks to keep the line open.
    bool lineEnd = true;
    std::vector<Declaration> declarations;
    Scope scope = Scope::Task;
    /// Label, GOTO / GOSUB target or SUB name (upper case); SUB parameters.
    std::string name;
    std::vector<std::string> params;
    int jump = -1;
    int exit = -1;
};

struct Program
{
    std::vector<Stmt> statements;
};

} // namespace korvan::controller::basic
